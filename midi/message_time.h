#pragma once
// When a MIDI message is meant to sound. A message sent from inside a timer
// tick carries that tick's ideal time (the timer knows its deadline), so a tick
// that wakes late still clicks on time; any other message carries the time of
// the call. Devices play a message at this time plus their fixed latency.
#include <cstdint>

// CLOCK_MONOTONIC, in nanoseconds.
std::int64_t MonotonicNowNs();

// The time for a message sent now from this thread.
std::int64_t MessageTimeNs();

// Marks the calling thread as running the tick whose ideal time is `idealNs`,
// for the lifetime of the object. Used only by the timer around its callback.
class ScopedTickTime {
 public:
  explicit ScopedTickTime(std::int64_t idealNs);
  ~ScopedTickTime();
  ScopedTickTime(const ScopedTickTime&) = delete;
  ScopedTickTime& operator=(const ScopedTickTime&) = delete;

 private:
  std::int64_t previous_;
};
