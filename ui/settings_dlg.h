#pragma once
// The combined About and Settings dialog: output device, click voice and
// volume, edited on copies of the main window's settings.
#include <functional>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "midi/multimedia.h"
#include "ui/midi_port_manager.h"

class CSettingsDlg : public CDialog {
 public:
  CSettingsDlg();

  // Inputs are set by the caller before DoModal; the outputs hold only after
  // IDOK. Initialised only so that no read is ever undefined.
  UINT m_nMidiDevice = 0;         // input: selects the entry carrying this device number
  int m_nDeviceSel = -1;          // output: the selected entry's device number, -1 for none
  BYTE m_nInstrument = 0;         // input: the click's key
  BYTE m_nInstrumentSel = 0;      // output: key of the selected voice, below 35 for none
  DWORD m_dwVolume = 0;           // input, moved live by the slider, output
  HMIDIOUT m_hMidiOut = nullptr;  // input: where the slider's volume goes at once

  CSliderCtrl m_sldVolume;
  CComboBox m_cbInstrument;
  CComboBox m_cbDevice;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void FillDeviceList();
  void FillInstrumentList();
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);

 private:
  // The device list's entries, each with its own device number, so that OK can
  // name the device even when one before it was left out.
  std::vector<MidiDeviceEntry> m_deviceEntries;

  DECLARE_MESSAGE_MAP()
};

// The main window's settings as the dialog edits them.
struct SettingsOwner {
  UINT& nMidiDevice;
  BYTE& nInstrument;
  DWORD& dwVolume;
  HMIDIOUT hMidiOut;
};

// Stores one entry of the settings section.
using SettingsWriter = std::function<void(const char* entry, int value)>;
// The program's writer: the application's profile store.
void WriteSettingToProfile(const char* entry, int value);

// The main window's Settings and About command. Runs the dialog on copies of
// the owner's settings; after OK takes back and stores the chosen device (if
// any), the chosen voice (if any, applied to the click from its next tick)
// and the volume (always). The open port and the running click are left as
// they are. Returns what DoModal returned.
INT_PTR RunSettingsDialog(const SettingsOwner& owner,
                          const SettingsWriter& write = WriteSettingToProfile);
