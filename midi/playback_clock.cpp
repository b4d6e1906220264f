#include "midi/playback_clock.h"

#include <cmath>

PlaybackClock::PlaybackClock(double sampleRate, double smoothing, std::int64_t stepNs,
                             int confirmations)
    : nsPerFrame_(1e9 / sampleRate),
      smoothing_(smoothing),
      stepNs_(stepNs),
      confirmations_(confirmations) {}

std::int64_t PlaybackClock::Observe(std::int64_t frame, std::int64_t heardNs) {
  const double origin = static_cast<double>(heardNs) - static_cast<double>(frame) * nsPerFrame_;
  if (!started_ || acceptJump_) {
    started_ = true;
    acceptJump_ = false;
    originNs_ = origin;
    pendingCount_ = 0;
    return TimeOf(frame);
  }
  const double error = origin - originNs_;
  if (std::fabs(error) <= static_cast<double>(stepNs_)) {
    originNs_ += smoothing_ * error;
    pendingCount_ = 0;
  } else if (pendingCount_ > 0 && std::fabs(error - pendingStepNs_) <= static_cast<double>(stepNs_)) {
    // The same jump again: the stream has moved.
    if (++pendingCount_ >= confirmations_) {
      originNs_ = origin;
      pendingCount_ = 0;
    }
  } else {
    pendingStepNs_ = error;
    pendingCount_ = 1;
    if (confirmations_ <= 1) {
      originNs_ = origin;
      pendingCount_ = 0;
    }
  }
  return TimeOf(frame);
}

std::int64_t PlaybackClock::TimeOf(std::int64_t frame) const {
  return std::llround(originNs_ + static_cast<double>(frame) * nsPerFrame_);
}

void PlaybackClock::Rebase(std::int64_t frame, std::int64_t heardNs) {
  started_ = true;
  originNs_ = static_cast<double>(heardNs) - static_cast<double>(frame) * nsPerFrame_;
  pendingCount_ = 0;
}
