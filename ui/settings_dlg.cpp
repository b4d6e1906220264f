#include "ui/settings_dlg.h"

#include <cassert>

#include "framework/win_app.h"
#include "metronome/click.h"
#include "metronome/percussion.h"
#include "res/resource.h"

namespace {

constexpr int VOLUME_SLIDER_MAX = 255;
constexpr int VOLUME_TICK_EVERY = 16;

}  // namespace

CSettingsDlg::CSettingsDlg() : CDialog(IDD_SETTINGS, nullptr) {}

BEGIN_MESSAGE_MAP(CSettingsDlg, CDialog)
ON_WM_HSCROLL()
END_MESSAGE_MAP()

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_VOLUME, m_sldVolume);
  DDX_Control(pDX, IDC_MIDI_INSTRUMENT, m_cbInstrument);
  DDX_Control(pDX, IDC_MIDI_DEVICE, m_cbDevice);
}

BOOL CSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  FillDeviceList();
  FillInstrumentList();
  m_sldVolume.SetRangeMin(0, TRUE);
  m_sldVolume.SetRangeMax(VOLUME_SLIDER_MAX, TRUE);
  m_sldVolume.SetPos(SliderPosFromVolume(m_dwVolume));
  m_sldVolume.SetTicFreq(VOLUME_TICK_EVERY);
  return TRUE;
}

void CSettingsDlg::FillDeviceList() {
  m_deviceEntries = ListMidiOutputDevices();
  m_cbDevice.ResetContent();
  for (const MidiDeviceEntry& entry : m_deviceEntries) m_cbDevice.AddString(entry.name);
  m_cbDevice.SetCurSel(FindDeviceEntry(m_deviceEntries, m_nMidiDevice));
}

void CSettingsDlg::FillInstrumentList() {
  m_cbInstrument.ResetContent();
  for (const std::string& label : LoadPercussionLabels()) m_cbInstrument.AddString(label);
  m_cbInstrument.SetCurSel(PercussionIndexFromNote(m_nInstrument));
}

void CSettingsDlg::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  // Every code, the ones that end a movement included: the device follows the
  // thumb while the click plays.
  if (pScrollBar != nullptr && pScrollBar->GetDlgCtrlID() == IDC_VOLUME) {
    m_dwVolume = VolumeFromSliderPos(m_sldVolume.GetPos());
    midiOutSetVolume(m_hMidiOut, m_dwVolume);
  }
  CDialog::OnHScroll(nSBCode, nPos, pScrollBar);
}

void CSettingsDlg::OnOK() {
  const int device = m_cbDevice.GetCurSel();
  m_nDeviceSel = device >= 0 && static_cast<std::size_t>(device) < m_deviceEntries.size()
                     ? static_cast<int>(m_deviceEntries[static_cast<std::size_t>(device)].device)
                     : -1;
  m_nInstrumentSel = PercussionNoteFromIndex(m_cbInstrument.GetCurSel());
  CDialog::OnOK();
}

void WriteSettingToProfile(const char* entry, int value) {
  CWinApp* app = AfxGetApp();
  assert(app != nullptr && "the application object must exist");
  // A failed write is not reported: the setting still holds for this run.
  if (app != nullptr) app->WriteProfileInt(PROFILE_SECTION, entry, value);
}

INT_PTR RunSettingsDialog(const SettingsOwner& owner, const SettingsWriter& write) {
  CSettingsDlg dlg;
  dlg.m_nMidiDevice = owner.nMidiDevice;
  dlg.m_nInstrument = owner.nInstrument;
  dlg.m_hMidiOut = owner.hMidiOut;
  dlg.m_dwVolume = owner.dwVolume;
  const INT_PTR result = dlg.DoModal();
  if (result != IDOK) return result;

  // The open port stays on its device; a new one is opened at the next start.
  if (dlg.m_nDeviceSel >= 0) {
    owner.nMidiDevice = static_cast<UINT>(dlg.m_nDeviceSel);
    write(PROFILE_MIDI_DEVICE, static_cast<int>(owner.nMidiDevice));
  }
  // A key below the first means no voice was selected. The click is not
  // restarted: its next tick sounds the new key with period and phase kept.
  if (dlg.m_nInstrumentSel >= FIRST_PERCUSSION_NOTE) {
    owner.nInstrument = dlg.m_nInstrumentSel;
    write(PROFILE_MIDI_INSTRUMENT, owner.nInstrument);
    SetClickNote(owner.nInstrument);
  }
  // Stored even when unchanged; the slider already gave it to the device.
  owner.dwVolume = dlg.m_dwVolume;
  write(PROFILE_MIDI_VOLUME, static_cast<int>(owner.dwVolume));
  return result;
}
