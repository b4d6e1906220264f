#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "synth/synth_fixture.h"

namespace {

constexpr int kSideStick = 37;
constexpr int kCrash = 49;  // rings for seconds: shows what cuts it
constexpr std::int64_t kCutFade = 96;  // 2 ms

TEST_F(SynthEngineTest, EveryPercussionKeySounds) {
  SynthRun& run = *run_;
  for (int key = 35; key <= 81; ++key) {
    SCOPED_TRACE(key);
    const std::int64_t start = run.Frames() + 256;
    ASSERT_EQ(run.Post(NoteOn(key), start), MMSYSERR_NOERROR);
    run.Render(24000);
    EXPECT_GT(std::max(Peak(run.left, start), Peak(run.right, start)), 0.01f);
    run.Post(kPercussionAllSoundOff, run.Frames());  // the next key starts from silence
    run.Render(512);
  }
}

// The click starts at the frame its stamp names, whatever the block layout:
// the frames before it stay exactly silent.
TEST_F(SynthEngineTest, ClickStartsAtItsStampedFrame) {
  // Where the sound starts within the click itself.
  run_->Post(NoteOn(kSideStick), 0);
  run_->Render(4096);
  const std::int64_t leadIn = FirstSound(run_->left);
  ASSERT_GE(leadIn, 0);

  for (const int block : {128, 256, 441}) {
    for (const std::int64_t frame : {1, 127, 128, 129, 255, 1000, 4799}) {
      SCOPED_TRACE(::testing::Message() << "block " << block << ", frame " << frame);
      SynthRun& run = Fresh();
      run.Post(NoteOn(kSideStick), frame);
      run.Render(8192, block);
      EXPECT_EQ(FirstSound(run.left), frame + leadIn);
    }
  }
}

TEST_F(SynthEngineTest, LateNotePlaysAtOnceAndStaleNoteIsDropped) {
  SynthRun& run = *run_;
  run.Render(4800);
  const std::int64_t now = run.Frames();
  run.Post(NoteOn(kSideStick), now - 480);  // 10 ms late
  run.Render(4800);
  EXPECT_GE(FirstSound(run.left), now);
  EXPECT_LT(FirstSound(run.left), now + SynthRun::kBlock);

  run.Render(48000);
  const std::int64_t later = run.Frames();
  run.Post(NoteOn(kSideStick), later - 9600);  // 200 ms late
  run.Render(9600);
  EXPECT_EQ(Peak(run.left, later), 0.0f);
}

// A click struck again is cut (within 2 ms) and replaced: what follows is the
// new click alone. A note-off does not cut it.
TEST_F(SynthEngineTest, RetriggerReplacesTheClickAndNoteOffDoesNot) {
  constexpr std::int64_t kFirst = 1000, kSecond = 1000 + 9600;
  auto lone = SynthRun::Make();
  lone->Post(NoteOn(kCrash), kSecond);
  lone->Render(48000);

  SynthRun& run = *run_;
  run.Post(NoteOn(kCrash), kFirst);
  run.Post(NoteOff(kCrash), kSecond);
  run.Post(NoteOn(kCrash), kSecond);
  run.Render(48000);
  ASSERT_GT(Peak(run.left, kFirst, kSecond), 0.01f);
  for (std::int64_t i = kSecond + kCutFade; i < run.Frames(); ++i) {
    ASSERT_EQ(run.left[static_cast<std::size_t>(i)], lone->left[static_cast<std::size_t>(i)]) << "frame " << i;
  }

  SynthRun& held = Fresh();
  held.Post(NoteOn(kCrash), kFirst);
  held.Post(NoteOff(kCrash), kSecond);
  held.Render(48000);
  EXPECT_GT(Peak(held.left, kSecond + 4800), 0.001f) << "the cymbal still rings after its note-off";
}

TEST_F(SynthEngineTest, AllSoundOffCutsClicks) {
  SynthRun& run = *run_;
  run.Post(NoteOn(kCrash), 100);
  run.Post(kPercussionAllSoundOff, 4800);
  run.Render(24000);
  EXPECT_GT(Peak(run.left, 100, 4800), 0.01f);
  EXPECT_EQ(Peak(run.left, 4800 + kCutFade), 0.0f);
}

TEST_F(SynthEngineTest, VolumeGainsEachSideApart) {
  struct Case {
    DWORD volume;
    double left, right;  // expected gain
  };
  const Case cases[] = {
      {0xFFFFFFFF, 1, 1},
      {0x00000000, 0, 0},
      {0x0000FFFF, 1, 0},
      {0xFFFF0000, 0, 1},
      {0x80008000, 0x8000 / 65535.0, 0x8000 / 65535.0},
      {0x40000001, 1 / 65535.0, 0x4000 / 65535.0},
  };
  float fullLeft = 0, fullRight = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.volume);
    SynthRun& run = Fresh();
    run.engine->SetVolume(c.volume);
    run.Post(NoteOn(kSideStick), 100);
    run.Render(9600);
    if (c.volume == 0xFFFFFFFF) {
      fullLeft = Peak(run.left);
      fullRight = Peak(run.right);
    }
    ASSERT_GT(std::min(fullLeft, fullRight), 0.01f);
    EXPECT_NEAR(Peak(run.left), fullLeft * c.left, fullLeft * 1e-5);
    EXPECT_NEAR(Peak(run.right), fullRight * c.right, fullRight * 1e-5);
    if (c.left == 0) {
      EXPECT_EQ(Peak(run.left), 0.0f);
    }
    if (c.right == 0) {
      EXPECT_EQ(Peak(run.right), 0.0f);
    }
  }
}

// A controller of the percussion channel changes later clicks: they are
// rendered afresh, not replayed from before the change.
TEST_F(SynthEngineTest, PercussionChannelVolumeReachesLaterClicks) {
  SynthRun& run = *run_;
  run.Post(NoteOn(kSideStick), 100);
  run.Render(9600);
  const float loud = Peak(run.left);
  run.Post(0x2007B9, 9700);  // channel volume 32 of 127
  run.Post(NoteOn(kSideStick), 9800);
  run.Render(9600);
  const float soft = Peak(run.left, 9800);
  EXPECT_GT(soft, 0.0f);
  EXPECT_LT(soft, loud * 0.5f);
}

TEST_F(SynthEngineTest, OtherChannelsPlayOnTheLiveSynth) {
  SynthRun& run = *run_;
  run.Post(0x0100C0, 0);               // program 1 on channel 1
  run.Post(NoteOn(60, 100, 0), 2400);  // middle C
  run.Render(9600);
  // FluidSynth starts a live note on its own 64-frame grid.
  EXPECT_EQ(Peak(run.left, 0, 2400), 0.0f);
  EXPECT_GT(Peak(run.left, 2400, 2400 + 64 + 480), 0.01f);
}

TEST_F(SynthEngineTest, RejectsDataBytesWithoutStatus) {
  EXPECT_EQ(run_->Post(0x00007F25, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(run_->Post(0x000000F8, 0), MMSYSERR_NOERROR);  // a clock tick: nothing to do
}

// With nothing rendering (the audio server gone), the queue fills and Post
// says so instead of blocking; once rendering resumes it drains.
TEST_F(SynthEngineTest, FullQueueFailsWithoutBlocking) {
  SynthRun& run = *run_;
  MMRESULT last = MMSYSERR_NOERROR;
  for (int i = 0; i < 5000 && last == MMSYSERR_NOERROR; ++i) last = run.Post(NoteOn(kSideStick), i);
  EXPECT_EQ(last, MMSYSERR_ERROR);
  for (int i = 0; i < 8; ++i) run.Render(SynthRun::kBlock);
  EXPECT_EQ(run.Post(NoteOn(kSideStick), run.Frames()), MMSYSERR_NOERROR);
}

// The tick thread and the UI thread send and change the volume while the
// audio thread renders (meant for ThreadSanitizer and AddressSanitizer).
TEST_F(SynthEngineTest, SendersAndRenderRunTogether) {
  SynthRun& run = *run_;
  std::atomic<bool> stop{false};
  std::atomic<std::int64_t> rendered{0};
  auto sender = [&](int firstKey) {
    for (int i = 0; !stop.load(std::memory_order_relaxed); ++i) {
      const int key = firstKey + i % 8;
      const std::int64_t at = rendered.load(std::memory_order_relaxed) + 2400;
      const MMRESULT off = run.Post(NoteOff(key), at);
      const MMRESULT on = run.Post(NoteOn(key, 1 + i % 127), at);
      EXPECT_TRUE(off == MMSYSERR_NOERROR || off == MMSYSERR_ERROR);
      EXPECT_TRUE(on == MMSYSERR_NOERROR || on == MMSYSERR_ERROR);
      if (i % 16 == 0) run.engine->SetVolume(static_cast<DWORD>(1 + i % 255) * 0x01000100u);
      if (i % 64 == 0) run.Post(0x7F07B9, at);  // percussion volume: clicks are renewed
      std::this_thread::yield();
    }
  };
  std::thread tick(sender, 35), ui(sender, 60);
  for (int block = 0; block < 1500; ++block) {
    run.Render(SynthRun::kBlock);
    rendered.store(run.Frames(), std::memory_order_relaxed);
    std::this_thread::sleep_for(std::chrono::microseconds(100));  // senders keep up
  }
  stop = true;
  tick.join();
  ui.join();
  EXPECT_TRUE(std::all_of(run.left.begin(), run.left.end(), [](float v) { return std::isfinite(v); }));
  EXPECT_GT(Peak(run.left), 0.0f);
}

}  // namespace
