#pragma once
// The click: two MIDI short messages on channel 10, and the timer tick that
// sends them.
#include <atomic>

#include "midi/multimedia.h"

// A MIDI short message that is at the same time one little-endian 32-bit word.
struct MidiShortMsg {
  BYTE status;
  BYTE data1;
  BYTE data2;
  BYTE zero;

  constexpr DWORD Word() const {
    return DWORD{status} | DWORD{data1} << 8 | DWORD{data2} << 16 | DWORD{zero} << 24;
  }
};

inline constexpr BYTE MIDI_NOTE_ON_CH10 = 0x99;
inline constexpr BYTE MIDI_NOTE_OFF_CH10 = 0x89;
inline constexpr BYTE CLICK_VELOCITY = 0x7F;

// Shared with the tick without a lock; each is loaded and stored whole.
// SetClickNote stores note-on first, note-off second (release); the tick loads
// note-off first, note-on second (acquire). So a tick that overlaps a change
// of voice sends both words of one key, or the old note-off and the new
// note-on, never the new note-off followed by the old note-on.
extern std::atomic<MidiShortMsg> s_msgNoteOn;
extern std::atomic<MidiShortMsg> s_msgNoteOff;
static_assert(std::atomic<MidiShortMsg>::is_always_lock_free);

// Rebuilds both click words for `nNote`, unchecked.
void SetClickNote(BYTE nNote);

// The timer callback; dwUser is the output handle. Real-time: it only loads
// the two words and sends them, note-off then note-on.
void MetronomeTimeProc(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);
