#include "metronome/tempo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct StepCase {
  UINT from;
  BOOL fine;
  UINT up;
  UINT down;
};

class TempoStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(TempoStepTest, StepsStayInRange) {
  const StepCase& c = GetParam();
  EXPECT_EQ(TempoStepUp(c.from, c.fine), c.up);
  EXPECT_EQ(TempoStepDown(c.from, c.fine), c.down);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, TempoStepTest,
    testing::Values(StepCase{30000, FALSE, 30000, 29900}, StepCase{30000, TRUE, 30000, 29999},
                    StepCase{29950, FALSE, 30000, 29850}, StepCase{29999, TRUE, 30000, 29998},
                    StepCase{5000, FALSE, 5100, 5000}, StepCase{5000, TRUE, 5001, 5000},
                    StepCase{5050, FALSE, 5150, 5000}, StepCase{5001, TRUE, 5002, 5000},
                    StepCase{11000, FALSE, 11100, 10900}, StepCase{11000, TRUE, 11001, 10999},
                    // Below the range the subtraction must not wrap around.
                    StepCase{0, FALSE, 100, 5000}, StepCase{4999, TRUE, 5000, 5000}));

TEST(TempoTest, ValidateKeepsTheRangeAndResetsTheRest) {
  EXPECT_EQ(TempoValidate(4999), TEMPO_DEFAULT);
  EXPECT_EQ(TempoValidate(30001), TEMPO_DEFAULT);
  EXPECT_EQ(TempoValidate(0), TEMPO_DEFAULT);
  EXPECT_EQ(TempoValidate(5000), 5000u);
  EXPECT_EQ(TempoValidate(30000), 30000u);
}

TEST(TempoTest, PeriodIsTruncatedWholeMilliseconds) {
  const std::pair<UINT, UINT> table[] = {{5000, 1200}, {9000, 666},   {9999, 600},
                                         {10000, 600}, {11000, 545},  {12000, 500},
                                         {12345, 486}, {17500, 342},  {30000, 200}};
  for (const auto& [tempo, period] : table) EXPECT_EQ(TempoToPeriod(tempo), period) << tempo;
}

TEST(TempoTest, BeatLengthIsExact) {
  const TimerPeriod beat = TempoToBeatLength(11000);
  // 545.4545... ms, not the 545 ms of the truncated period.
  EXPECT_EQ(beat.numeratorNs / beat.denominator, 545454545u);
  EXPECT_EQ(beat.numeratorNs * 11 % (beat.denominator * 6), 0u);  // 6e12/11000 = 6e9/11
  const TimerPeriod fast = TempoToBeatLength(17500);
  EXPECT_DOUBLE_EQ(static_cast<double>(fast.numeratorNs) / fast.denominator, 60e9 / 175.0);
}

TEST(TempoTest, TextIsTheCountInHundredthsForEveryCount) {
  for (UINT count = 0; count <= 30000; ++count) {
    const std::string expected =
        std::to_string(count / 100) + "." + (count % 100 < 10 ? "0" : "") +
        std::to_string(count % 100);
    ASSERT_EQ(TempoToText(count), expected) << count;
  }
  EXPECT_EQ(TempoToText(11000), "110.00");
  EXPECT_EQ(TempoToText(9999), "99.99");
  EXPECT_EQ(TempoToText(5), "0.05");
}

}  // namespace
