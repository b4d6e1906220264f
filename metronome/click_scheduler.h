#pragma once
// Starting, re-synchronising and stopping the periodic click. The main window
// derives from this; it has no window of its own so it can be tested alone.
#include "metronome/tempo.h"
#include "midi/multimedia.h"

inline constexpr UINT CLICK_TIMER_RESOLUTION = 10;  // ms

class CClickScheduler {
 public:
  virtual ~CClickScheduler() = default;

  // Schedules the tick one beat from now. Expects m_nPeriod to have been
  // derived from m_nTempo. On failure releases the timer resolution and calls
  // OnClickTimerUnavailable.
  void StartClick();
  // A click at once, then the tick anew from now at the current tempo.
  void SyncClick();
  // TRUE when a running click was stopped.
  BOOL StopClick();

 protected:
  // Message 111 and the end of the window.
  virtual void OnClickTimerUnavailable() = 0;

  // The user-interface thread is the only one to touch these.
  UINT m_nTempo = TEMPO_DEFAULT;
  UINT m_nPeriod = 0;
  UINT m_nTimerEvent = 0;
  HMIDIOUT m_hMidiOut = nullptr;
};
