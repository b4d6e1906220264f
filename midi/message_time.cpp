#include "midi/message_time.h"

#include <ctime>

namespace {
// 0: this thread is not inside a tick. Only its own thread reads or writes it.
thread_local std::int64_t t_tickIdealNs = 0;
}  // namespace

std::int64_t MonotonicNowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t MessageTimeNs() { return t_tickIdealNs != 0 ? t_tickIdealNs : MonotonicNowNs(); }

ScopedTickTime::ScopedTickTime(std::int64_t idealNs) : previous_(t_tickIdealNs) {
  t_tickIdealNs = idealNs;
}

ScopedTickTime::~ScopedTickTime() { t_tickIdealNs = previous_; }
