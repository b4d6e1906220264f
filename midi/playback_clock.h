#pragma once
// When the frames of an audio stream are heard, on the monotonic clock. The
// output reports, now and then, a noisy reading of when one frame will be
// heard; the clock smooths the readings (the stream's frames are evenly spaced)
// and jumps only when the stream itself has jumped, as after an underrun that
// delays everything written afterwards. Pure logic: time is passed in.
#include <cstdint>

class PlaybackClock {
 public:
  // `smoothing`: share of each reading's error taken in (0..1]. A reading that
  // differs by more than `stepNs` is believed only when `confirmations`
  // readings in a row agree that the stream has moved.
  PlaybackClock(double sampleRate, double smoothing, std::int64_t stepNs, int confirmations);

  // Takes the reading "frame `frame` is heard at `heardNs`" and returns the
  // smoothed time of that frame.
  std::int64_t Observe(std::int64_t frame, std::int64_t heardNs);
  // The smoothed time of `frame`; meaningful after the first Observe.
  std::int64_t TimeOf(std::int64_t frame) const;
  bool Started() const { return started_; }
  void Reset() { started_ = false; }
  // The stream is known to have moved: the next reading is taken as it is.
  void AcceptNextJump() { acceptJump_ = true; }
  // An estimate that replaces the clock's until readings come in.
  void Rebase(std::int64_t frame, std::int64_t heardNs);

 private:
  double nsPerFrame_;
  double smoothing_;
  std::int64_t stepNs_;
  int confirmations_;
  bool started_ = false;
  bool acceptJump_ = false;
  // Estimated time of frame 0, in ns; a double keeps the sub-ns fractions the
  // smoothing adds up (2^53 ns is 104 days).
  double originNs_ = 0;
  double pendingStepNs_ = 0;
  int pendingCount_ = 0;
};
