#include "metronome/click.h"

std::atomic<MidiShortMsg> s_msgNoteOn{MidiShortMsg{0, 0, 0, 0}};
std::atomic<MidiShortMsg> s_msgNoteOff{MidiShortMsg{0, 0, 0, 0}};

void SetClickNote(BYTE nNote) {
  s_msgNoteOn.store(MidiShortMsg{MIDI_NOTE_ON_CH10, nNote, CLICK_VELOCITY, 0},
                    std::memory_order_release);
  s_msgNoteOff.store(MidiShortMsg{MIDI_NOTE_OFF_CH10, nNote, 0, 0}, std::memory_order_release);
}

void MetronomeTimeProc(UINT, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
  const auto hMidiOut = reinterpret_cast<HMIDIOUT>(dwUser);
  midiOutShortMsg(hMidiOut, s_msgNoteOff.load(std::memory_order_acquire).Word());
  midiOutShortMsg(hMidiOut, s_msgNoteOn.load(std::memory_order_acquire).Word());
}
