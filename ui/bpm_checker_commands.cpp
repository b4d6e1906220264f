// The main window's commands and keys: tune, sync, stop, settings, about, web site.
#include "framework/shell.h"
#include "framework/strings.h"
#include "metronome/tempo.h"
#include "res/web_address.h"
#include "ui/settings_dlg.h"
#include "ui/bpm_checker_dlg.h"

namespace {
inline constexpr UINT SYSTEM_COMMAND_MASK = 0xFFF0;

// Shift as of the input being handled: the fine step.
BOOL ShiftHeld() { return GetKeyState(VK_SHIFT) < 0 ? TRUE : FALSE; }
}  // namespace

BOOL CBpmCheckerDlg::PreTranslateMessage(MSG* pMsg) {
  if (m_bMidiError || pMsg->message != WM_KEYDOWN) return CDialog::PreTranslateMessage(pMsg);
  switch (pMsg->wParam) {
    case VK_RETURN:
      OnStartBeat();
      break;
    case VK_PRIOR:
      m_nTempo = TempoStepUp(m_nTempo, ShiftHeld());
      UpdateDisplay();
      break;
    case VK_NEXT:
      m_nTempo = TempoStepDown(m_nTempo, ShiftHeld());
      UpdateDisplay();
      break;
    case VK_NUMPAD0:
      if (StopClick()) {
        m_wndHint.SetWindowText(LoadStringResource(IDS_HINT_CLICK));
        m_wndStatus.SetWindowText(LoadStringResource(IDS_PAUSED));
      }
      break;
    default:
      return CDialog::PreTranslateMessage(pMsg);
  }
  // Handled here and kept from the dialog's own keys: Enter never presses a button.
  return FALSE;
}

void CBpmCheckerDlg::OnTempoUp() {
  const BOOL bFine = ShiftHeld();
  m_nTempo = TempoStepUp(m_nTempo, bFine);
  UpdateDisplay();
  m_wndHint.SetWindowText(LoadStringResource(IDS_HINT_TEMPO));
}

void CBpmCheckerDlg::OnTempoDown() {
  const BOOL bFine = ShiftHeld();
  m_nTempo = TempoStepDown(m_nTempo, bFine);
  UpdateDisplay();
  m_wndHint.SetWindowText(LoadStringResource(IDS_HINT_TEMPO));
}

void CBpmCheckerDlg::OnStartBeat() {
  SyncClick();
  // Also after a failed sync, whose message has been shown and whose window is ending.
  m_wndHint.SetWindowText(LoadStringResource(IDS_HINT_CLICK));
  m_wndStatus.SetWindowText("");
}

void CBpmCheckerDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & SYSTEM_COMMAND_MASK) == IDM_ABOUTBOX) {
    OnSettings();
  } else {
    CDialog::OnSysCommand(nID, lParam);
  }
}

void CBpmCheckerDlg::OnLButtonDown(UINT nFlags, CPoint point) {
  m_wndHint.SetWindowText(LoadStringResource(IDS_HINT_WEBSITE));
  CDialog::OnLButtonDown(nFlags, point);
}

void CBpmCheckerDlg::OnMoreSoftware() {
  // A browser that does not start is not reported.
  ShellExecuteA(nullptr, nullptr, kMakerWebAddress, nullptr, nullptr, SW_SHOWDEFAULT);
}

void CBpmCheckerDlg::OnSettings() {
  RunSettingsDialog({m_nMidiDevice, m_nInstrument, m_dwVolume, m_hMidiOut});
}
