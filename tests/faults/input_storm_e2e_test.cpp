// Input storms against the real program through the X server: Page Up at 50
// key-downs a second and held down, 2,000 Enter presses as fast as xdotool
// sends them, keypad 0 and Enter alternating. Afterwards the click runs at
// exactly the tempo the steps say, no thread is left behind, and the window
// still answers and closes with exit code 0.
#include <gtest/gtest.h>

#include <thread>

#include "program_run.h"
#include "support/onsets.h"
#include "support/pulse_session.h"

namespace {

using namespace std::chrono_literals;

class InputStormTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!display_.Ok()) GTEST_SKIP() << "Xvfb did not start";
    if (!pulse_.Ok()) GTEST_SKIP() << pulse_.Error();
    recording_ = pulse_.Folder() + "/clicks.raw";
    ASSERT_TRUE(pulse_.StartRecording(recording_));
  }

  XDisplay display_;
  PulseSession pulse_;
  TempDir home_;
  std::string recording_;
};

TEST_F(InputStormTest, TempoAndThreadsComeOutExact) {
  ProgramRun run(display_, {home_.Path(), pulse_.ServerAddress(), {}});
  const std::string main = run.Window(kMainTitle, 20s);
  ASSERT_FALSE(main.empty()) << run.Log();
  ASSERT_TRUE(WaitForClicks(recording_, 2, 10s));
  const int threads = run.Threads();

  // 110.00 + 250 steps stops at 300.00.
  run.Keys(main, "--repeat 250 --repeat-delay 20 Prior");
  // Held down: the X server's own auto-repeat, still at the top.
  XDo(display_, "keydown Prior");
  std::this_thread::sleep_for(1500ms);
  XDo(display_, "keyup Prior");
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
  const std::vector<double> onsets = ClickOnsets(recording_, from);
  ASSERT_GE(onsets.size(), 8u);
  const double periodMs = 60'000.0 / 199.75;
  const ClickTiming timing = MeasureClickTiming(onsets, periodMs * PulseSession::kSampleRate / 1000);
  EXPECT_EQ(timing.missing, 0);
  // One hundredth of a BPM more or less would move the period by 0.015 ms.
  EXPECT_NEAR(timing.meanInterval * 1000 / PulseSession::kSampleRate, periodMs, 0.004);

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
