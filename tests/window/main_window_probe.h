#pragma once
// The main window with its look set up and nothing else started, its members
// open to the tests.
#include "ui/bpm_checker_dlg.h"

class MainWindowProbe : public CBpmCheckerDlg {
 public:
  using CBpmCheckerDlg::m_btnDown;
  using CBpmCheckerDlg::m_btnStart;
  using CBpmCheckerDlg::m_btnUp;
  using CBpmCheckerDlg::m_crBk;
  using CBpmCheckerDlg::m_crDisplayText;
  using CBpmCheckerDlg::m_crHintText;
  using CBpmCheckerDlg::m_hIcon;
  using CBpmCheckerDlg::m_lfDisplay;
  using CBpmCheckerDlg::m_nTempo;
  using CBpmCheckerDlg::m_pBkBrush;
  using CBpmCheckerDlg::m_pDisplayFont;
  using CBpmCheckerDlg::m_wndDisplay;
  using CBpmCheckerDlg::m_wndHint;
  using CBpmCheckerDlg::m_wndHintFrame;
  using CBpmCheckerDlg::m_wndStatus;
  using CBpmCheckerDlg::OnClickTimerUnavailable;
  using CBpmCheckerDlg::OnCtlColor;
  using CBpmCheckerDlg::OnQueryDragIcon;

  // nullptr: text 101 from the string table.
  const char* aboutText = nullptr;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (aboutText) {
      AddAboutMenuItem(aboutText);
    } else {
      AddAboutMenuItem();
    }
    SetCaptionIcons();
    SetArrowIcons();
    CreateBrushAndDisplayFont();
    ShowSplashTexts();
    return TRUE;
  }
};
