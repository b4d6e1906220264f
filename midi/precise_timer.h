#pragma once
// The periodic click timer: each event runs on its own thread, sleeping to
// absolute deadlines on the monotonic clock, so errors never accumulate.
#include "midi/multimedia.h"

class PreciseTimer {
 public:
  PreciseTimer();
  ~PreciseTimer();  // stops every event and joins its thread
  PreciseTimer(const PreciseTimer&) = delete;
  PreciseTimer& operator=(const PreciseTimer&) = delete;

  // Starts an event whose tick k (k = 1, 2, ...) falls at start + k * period;
  // the callback runs inside a ScopedTickTime of that ideal time. Returns its
  // id (never 0), or 0 when the event cannot be created.
  UINT SetEvent(TimerPeriod period, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
  // Stops the event without waiting for a tick that has already begun.
  MMRESULT KillEvent(UINT id);

 private:
  struct Impl;
  Impl* impl_;
};
