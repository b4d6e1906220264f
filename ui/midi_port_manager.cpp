#include "ui/midi_port_manager.h"

#include <algorithm>
#include <cassert>

#include "framework/message_box.h"
#include "framework/strings.h"
#include "framework/win_app.h"
#include "res/resource.h"

namespace {

bool IsSynthesizer(WORD technology) {
  return technology == MOD_FMSYNTH || technology == MOD_SQSYNTH || technology == MOD_SYNTH;
}

}  // namespace

BOOL CMidiPortManager::SelectMidiDevice() {
  const UINT count = midiOutGetNumDevs();
  if (count == 0) {
    AfxMessageBox(IDS_ERR_NO_DEVICES, MB_ICONEXCLAMATION);
    return FALSE;
  }
  if (count == 1) {
    m_nMidiDevice = 0;
    return TRUE;
  }
  CWinApp* app = AfxGetApp();
  assert(app != nullptr && "the application object must exist");
  m_nMidiDevice = app != nullptr ? app->GetProfileInt(PROFILE_SECTION, PROFILE_MIDI_DEVICE,
                                                      static_cast<int>(NO_MIDI_DEVICE))
                                 : NO_MIDI_DEVICE;
  if (m_nMidiDevice == NO_MIDI_DEVICE) {
    m_nMidiDevice = ChooseDefaultDevice();
    if (app != nullptr) {
      app->WriteProfileInt(PROFILE_SECTION, PROFILE_MIDI_DEVICE, static_cast<int>(m_nMidiDevice));
    }
  }
  return TRUE;
}

UINT CMidiPortManager::ChooseDefaultDevice() {
  const UINT count = midiOutGetNumDevs();
  for (UINT id = 0; id < count; ++id) {
    MIDIOUTCAPSA caps{};
    if (midiOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR &&
        IsSynthesizer(caps.wTechnology)) {
      return id;
    }
  }
  return count;
}

void CMidiPortManager::OpenMidiPort() {
  const MMRESULT rc = midiOutOpen(&m_hMidiOut, m_nMidiDevice, 0, 0, CALLBACK_NULL);
  if (rc == MMSYSERR_NOERROR) {
    m_bPortOpen = true;
    midiOutSetVolume(m_hMidiOut, m_dwVolume);
    return;
  }
  AfxMessageBox(FormatText(LoadStringResource(IDS_ERR_OPEN).c_str(), m_nMidiDevice, rc),
                MB_ICONEXCLAMATION);
  m_bMidiError = TRUE;
}

void CMidiPortManager::CloseMidiPort() {
  if (m_bMidiError || !m_bPortOpen) return;
  m_bPortOpen = false;
  const MMRESULT rc = midiOutClose(m_hMidiOut);
  if (rc != MMSYSERR_NOERROR) {
    AfxMessageBox(FormatText(LoadStringResource(IDS_ERR_CLOSE).c_str(), rc), MB_ICONEXCLAMATION);
  }
}

DWORD VolumeFromSliderPos(int p) { return static_cast<DWORD>(p) * 0x01000100u; }

int SliderPosFromVolume(DWORD w) { return static_cast<int>((w >> 8) & 0xFFu); }

std::vector<MidiDeviceEntry> ListMidiOutputDevices() {
  std::vector<MidiDeviceEntry> entries;
  const UINT count = midiOutGetNumDevs();
  for (UINT id = 0; id < count; ++id) {
    MIDIOUTCAPSA caps{};
    if (midiOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    // Bounded: a name that fills the field may lack its terminator.
    const char* end = std::find(caps.szPname, caps.szPname + MAXPNAMELEN, '\0');
    entries.push_back({std::string(static_cast<const char*>(caps.szPname), end), id});
  }
  return entries;
}

int FindDeviceEntry(const std::vector<MidiDeviceEntry>& entries, UINT device) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].device == device) return static_cast<int>(i);
  }
  return -1;
}
