#pragma once
// The one MIDI output port of the main window: which device, opening it with
// the stored volume, closing it, and the device list of the settings dialog.
#include <string>
#include <vector>

#include "metronome/click_scheduler.h"

// The stored settings: one section, three entries.
inline constexpr const char* PROFILE_SECTION = "Recorder";
inline constexpr const char* PROFILE_MIDI_DEVICE = "MidiDevice";
inline constexpr const char* PROFILE_MIDI_INSTRUMENT = "MidiInstrument";
inline constexpr const char* PROFILE_MIDI_VOLUME = "MidiVolume";

inline constexpr UINT NO_MIDI_DEVICE = 0xFFFFFFFF;       // stored: none chosen yet
inline constexpr DWORD MIDI_VOLUME_DEFAULT = 0xFFFFFFFF;  // full, both channels

class CMidiPortManager : public CClickScheduler {
 protected:
  // Settles m_nMidiDevice. FALSE only when there is no output device; message
  // 106 has then been shown and the store was not touched.
  BOOL SelectMidiDevice();
  // The lowest-numbered synthesizer; the device count when there is none.
  UINT ChooseDefaultDevice();
  // Opens m_nMidiDevice and gives it m_dwVolume; on failure shows message 107
  // and sets m_bMidiError.
  void OpenMidiPort();
  // Closes the port if OpenMidiPort opened it; message 108 when that fails.
  void CloseMidiPort();

  UINT m_nMidiDevice = 0;
  DWORD m_dwVolume = MIDI_VOLUME_DEFAULT;
  BOOL m_bMidiError = FALSE;

 private:
  bool m_bPortOpen = false;
};

// Volume word for a slider position p from 0 to 255: p << 8 on both channels.
DWORD VolumeFromSliderPos(int p);
// Slider position for a volume word: the high byte of the left channel.
int SliderPosFromVolume(DWORD w);

// One entry of the settings dialog's device list. Each entry carries its own
// device number, so a device left out of the list shifts no other.
struct MidiDeviceEntry {
  std::string name;
  UINT device;
};

// The output devices whose capabilities can be read, in device order; the
// device count is asked afresh.
std::vector<MidiDeviceEntry> ListMidiOutputDevices();
// Position of the entry for `device`, -1 when the list has none.
int FindDeviceEntry(const std::vector<MidiDeviceEntry>& entries, UINT device);
