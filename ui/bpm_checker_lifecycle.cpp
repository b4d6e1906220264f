// The main window's start-up, end of the splash and shut-down.
#include "framework/message_box.h"
#include "framework/win_app.h"
#include "metronome/click.h"
#include "metronome/tempo.h"
#include "ui/bpm_checker_dlg.h"

namespace {
inline constexpr UINT SPLASH_MILLISECONDS = 4000;
}  // namespace

BEGIN_MESSAGE_MAP(CBpmCheckerDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_DESTROY()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_CTLCOLOR()
  ON_BN_CLICKED(IDC_TEMPO_DOWN, &CBpmCheckerDlg::OnTempoDown)
  ON_BN_CLICKED(IDC_TEMPO_UP, &CBpmCheckerDlg::OnTempoUp)
  ON_BN_CLICKED(IDC_START_BEAT, &CBpmCheckerDlg::OnStartBeat)
  ON_WM_LBUTTONDOWN()
  ON_BN_CLICKED(IDC_SETTINGS, &CBpmCheckerDlg::OnSettings)
  ON_WM_TIMER()
  ON_BN_CLICKED(IDC_MORE_SOFTWARE, &CBpmCheckerDlg::OnMoreSoftware)
  ON_BN_DOUBLECLICKED(IDC_MORE_SOFTWARE, &CBpmCheckerDlg::OnMoreSoftware)
END_MESSAGE_MAP()

BOOL CBpmCheckerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AddAboutMenuItem();
  SetCaptionIcons();

  if (!SelectMidiDevice()) {
    EndDialog(IDCANCEL);
    return FALSE;
  }
  CWinApp* app = AfxGetApp();
  m_nInstrument = static_cast<BYTE>(
      app->GetProfileInt(PROFILE_SECTION, PROFILE_MIDI_INSTRUMENT, DEFAULT_PERCUSSION_NOTE));
  m_dwVolume = app->GetProfileInt(PROFILE_SECTION, PROFILE_MIDI_VOLUME, -1);
  // The click words exist before the port opens and before any tick can run.
  SetClickNote(m_nInstrument);
  OpenMidiPort();

  SetArrowIcons();
  CreateBrushAndDisplayFont();
  ShowSplashTexts();
  if (m_bMidiError) {
    m_btnDown.EnableWindow(FALSE);
    m_btnUp.EnableWindow(FALSE);
    m_btnStart.EnableWindow(FALSE);
  }

  m_nTempo = TempoValidate(m_nTempo);
  m_nPeriod = TempoToPeriod(m_nTempo);
  SetTimer(IDT_SPLASH, SPLASH_MILLISECONDS, nullptr);

  if (timeBeginPeriod(CLICK_TIMER_RESOLUTION) == TIMERR_NOCANDO) {
    AfxMessageBox(IDS_ERR_NO_TIMER, MB_ICONEXCLAMATION);
    EndDialog(IDCANCEL);
    return FALSE;
  }
  StartClick();
  return TRUE;
}

void CBpmCheckerDlg::OnClickTimerUnavailable() {
  AfxMessageBox(IDS_ERR_NO_TIMER, MB_ICONEXCLAMATION);
  EndDialog(IDCANCEL);
}

void CBpmCheckerDlg::OnTimer(UINT_PTR nIDEvent) {
  // The splash ends once, whichever timer this was.
  KillTimer(IDT_SPLASH);
  UpdateDisplay();
  m_wndStatus.SetWindowText("");
  CDialog::OnTimer(nIDEvent);
}

void CBpmCheckerDlg::OnDestroy() {
  CDialog::OnDestroy();
  // The tick stops before the port it sends to is closed.
  if (m_nTimerEvent != 0) {
    timeKillEvent(m_nTimerEvent);
    m_nTimerEvent = 0;
  }
  if (m_pDisplayFont) {
    delete m_pDisplayFont;
    m_pDisplayFont = nullptr;
  }
  if (m_pBkBrush) {
    delete m_pBkBrush;
    m_pBkBrush = nullptr;
  }
  CloseMidiPort();
}
