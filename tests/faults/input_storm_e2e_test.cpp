// Input storms against the real program through the X server: Page Up at 50
// key-downs a second and held down, 2,000 Enter presses as fast as xdotool
// sends them, keypad 0 and Enter alternating. Afterwards the click runs at
// exactly the tempo the steps say, no thread is left behind, and the window
// still answers and closes with exit code 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "program_run.h"

namespace {

using namespace std::chrono_literals;

// At full volume a click starts far above this; where the audio stream ran
// dry for a moment, the click's tail resuming afterwards stays below it.
constexpr double kClickStart = 0.2;

// The usual distance between neighbouring clicks, in milliseconds: one click
// thrown off by a dropout in the audio stream moves two intervals, not this.
double MedianIntervalMs(const std::vector<double>& onsets, double periodMs) {
  const double period = periodMs * PulseSession::kSampleRate / 1000;
  std::vector<double> intervals;
  for (std::size_t i = 1; i < onsets.size(); ++i) {
    const double interval = onsets[i] - onsets[i - 1];
    if (std::lround(interval / period) == 1) intervals.push_back(interval);
  }
  if (intervals.empty()) return 0;
  std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
  return intervals[intervals.size() / 2] * 1000 / PulseSession::kSampleRate;
}

class InputStormTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const std::string missing = around_.Missing(); !missing.empty()) GTEST_SKIP() << missing;
    recording_ = around_.Record("clicks.raw");
    ASSERT_FALSE(recording_.empty());
  }

  ProgramSurroundings around_;
  std::string recording_;
};

TEST_F(InputStormTest, TempoAndThreadsComeOutExact) {
  ProgramRun run(around_.display, around_.Options());
  const std::string main = run.Window(kMainTitle, 20s);
  ASSERT_FALSE(main.empty()) << run.Log();
  ASSERT_TRUE(WaitForClicks(recording_, 2, 10s));
  const int threads = run.Threads();

  // 110.00 + 250 steps stops at 300.00.
  run.Keys(main, "--repeat 250 --repeat-delay 20 Prior");
  // Held down: the X server's own auto-repeat, still at the top.
  XDo(around_.display, "keydown Prior");
  std::this_thread::sleep_for(1500ms);
  XDo(around_.display, "keyup Prior");
  run.Keys(main, "--repeat 2000 Return");
  run.Keys(main, "--repeat 500 KP_0 Return");
  // Then down by exact steps: 100 coarse, 25 fine.
  run.Keys(main, "--repeat 100 Next");
  run.Keys(main, "--repeat 25 shift+Next");
  ASSERT_TRUE(run.Running()) << run.Log();

  run.Keys(main, "Return");
  // Everything typed has been handled once the Settings dialog comes up.
  ASSERT_TRUE(run.Responds());
  EXPECT_TRUE(WaitFor([&] { return run.Threads() == threads; }, 5s))
      << run.Threads() << " threads, " << threads << " before the storm";

  const double from = RecordedSeconds(recording_);
  std::this_thread::sleep_for(3500ms);
  const std::vector<double> onsets = ClickOnsets(recording_, from, kClickStart);
  ASSERT_GE(onsets.size(), 8u);
  const double periodMs = 60'000.0 / 199.75;
  // One hundredth of a BPM more or less would move the period by 0.015 ms.
  EXPECT_NEAR(MedianIntervalMs(onsets, periodMs), periodMs, 0.0075);

  // Keypad 0 stops the click and its thread.
  run.Keys(main, "KP_0");
  EXPECT_TRUE(WaitFor([&] { return run.Threads() == threads - 1; }, 5s))
      << run.Threads() << " threads, " << threads << " while clicking";
  const double stopped = RecordedSeconds(recording_) + 0.3;
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(ClickOnsets(recording_, stopped).size(), 0u) << "clicks after keypad 0";

  EXPECT_TRUE(run.Responds());
  run.Keys(main, "Escape");
  EXPECT_EQ(run.Wait(20s), 0) << run.Log();
}

}  // namespace
