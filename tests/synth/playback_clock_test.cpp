#include "midi/playback_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

constexpr double kRate = 48000;
constexpr std::int64_t kOriginNs = 7'000'000'000;  // when frame 0 is truly heard
constexpr std::int64_t kStepNs = 1'000'000;
constexpr std::int64_t kReadingEvery = 2400;  // frames, 50 ms

std::int64_t TrueTime(std::int64_t frame, double ppm = 0, std::int64_t shiftNs = 0) {
  return kOriginNs + shiftNs + std::llround(static_cast<double>(frame) * 1e9 / kRate * (1 + ppm * 1e-6));
}

PlaybackClock MakeClock() { return PlaybackClock(kRate, 1.0 / 16, kStepNs, 3); }

TEST(PlaybackClockTest, FirstReadingIsTakenAsItIs) {
  PlaybackClock clock = MakeClock();
  EXPECT_FALSE(clock.Started());
  clock.Observe(4800, TrueTime(4800));
  EXPECT_TRUE(clock.Started());
  EXPECT_NEAR(clock.TimeOf(0), kOriginNs, 1);
  EXPECT_NEAR(clock.TimeOf(48000), kOriginNs + 1'000'000'000, 1);
}

// Readings scattered by +-40 us average out to a few microseconds.
TEST(PlaybackClockTest, ScatteredReadingsAverageOut) {
  PlaybackClock clock = MakeClock();
  std::int64_t frame = 0;
  for (int i = 0; i < 400; ++i, frame += kReadingEvery) {
    const std::int64_t scatter = (i * 7919 % 81 - 40) * 1000;  // spread evenly over +-40 us
    clock.Observe(frame, TrueTime(frame) + scatter);
  }
  EXPECT_NEAR(static_cast<double>(clock.TimeOf(frame)), static_cast<double>(TrueTime(frame)), 8000.0);
}

// A lone reading far off (a report delayed in the server) is ignored; the
// same jump confirmed by three readings is the stream having moved.
TEST(PlaybackClockTest, StepNeedsConfirmation) {
  PlaybackClock clock = MakeClock();
  std::int64_t frame = 0;
  for (int i = 0; i < 20; ++i, frame += kReadingEvery) clock.Observe(frame, TrueTime(frame));
  clock.Observe(frame, TrueTime(frame, 0, 3'000'000));
  frame += kReadingEvery;
  clock.Observe(frame, TrueTime(frame));
  EXPECT_NEAR(static_cast<double>(clock.TimeOf(frame)), static_cast<double>(TrueTime(frame)), 1000.0);

  for (int i = 0; i < 3; ++i, frame += kReadingEvery) clock.Observe(frame, TrueTime(frame, 0, 4'000'000));
  EXPECT_NEAR(static_cast<double>(clock.TimeOf(frame)), static_cast<double>(TrueTime(frame, 0, 4'000'000)), 1000.0);
}

TEST(PlaybackClockTest, KnownJumpIsTakenAtOnce) {
  PlaybackClock clock = MakeClock();
  std::int64_t frame = 0;
  for (int i = 0; i < 20; ++i, frame += kReadingEvery) clock.Observe(frame, TrueTime(frame));
  clock.AcceptNextJump();
  clock.Observe(frame, TrueTime(frame, 0, 3'000'000));
  EXPECT_EQ(clock.TimeOf(frame), TrueTime(frame, 0, 3'000'000));

  // An estimate stands in until the next reading, which is again believed.
  clock.Rebase(frame, TrueTime(frame, 0, 9'000'000));
  EXPECT_EQ(clock.TimeOf(frame), TrueTime(frame, 0, 9'000'000));
  clock.AcceptNextJump();
  frame += kReadingEvery;
  clock.Observe(frame, TrueTime(frame, 0, 5'000'000));
  EXPECT_EQ(clock.TimeOf(frame), TrueTime(frame, 0, 5'000'000));
}

// A sound card whose clock runs 100 ppm off the system's is followed, with a
// small, steady lag.
TEST(PlaybackClockTest, FollowsADriftingDeviceClock) {
  PlaybackClock clock = MakeClock();
  std::int64_t frame = 0;
  for (int i = 0; i < 2000; ++i, frame += kReadingEvery) clock.Observe(frame, TrueTime(frame, 100));
  EXPECT_NEAR(static_cast<double>(clock.TimeOf(frame)), static_cast<double>(TrueTime(frame, 100)), 100'000.0);
}

}  // namespace
