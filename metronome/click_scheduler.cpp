#include "metronome/click_scheduler.h"

#include "metronome/click.h"

void CClickScheduler::StartClick() {
  // The exact beat length, not m_nPeriod's whole milliseconds: the click must
  // run at the tempo shown.
  m_nTimerEvent = timeSetEventExact(TempoToBeatLength(m_nTempo), CLICK_TIMER_RESOLUTION,
                                    MetronomeTimeProc, reinterpret_cast<DWORD_PTR>(m_hMidiOut),
                                    TIME_PERIODIC);
  if (m_nTimerEvent == 0) {
    timeEndPeriod(CLICK_TIMER_RESOLUTION);
    OnClickTimerUnavailable();
  }
}

void CClickScheduler::SyncClick() {
  if (m_nTempo == 0) return;
  m_nPeriod = TempoToPeriod(m_nTempo);
  if (m_nTimerEvent != 0) {
    timeKillEvent(m_nTimerEvent);
    m_nTimerEvent = 0;
  }
  midiOutShortMsg(m_hMidiOut, s_msgNoteOn.load(std::memory_order_acquire).Word());
  StartClick();
}

BOOL CClickScheduler::StopClick() {
  if (m_nTimerEvent == 0) return FALSE;
  timeKillEvent(m_nTimerEvent);
  m_nTimerEvent = 0;
  return TRUE;
}
