#pragma once
// The main window: tempo display, status line, keyboard hints, tempo and command
// buttons. Its look is in bpm_checker_dlg.cpp, start-up and shut-down in
// bpm_checker_lifecycle.cpp, its commands and keys in bpm_checker_commands.cpp.
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "metronome/percussion.h"
#include "ui/midi_port_manager.h"

// Where the minimised window draws its icon: centred, (client - icon + 1) / 2 on
// each axis in integer division that rounds toward zero.
CPoint MinimizedIconPosition(int clientWidth, int clientHeight, int cx, int cy);

class CBpmCheckerDlg : public CDialog, public CMidiPortManager {
 public:
  explicit CBpmCheckerDlg(CWnd* pParent = nullptr);
  ~CBpmCheckerDlg() override;

  // The look set-up, step by step; start-up runs them in its own order.
  // The About item: a separator and IDM_ABOUTBOX with text 101, only if that text
  // is not empty. The second form takes the text itself.
  void AddAboutMenuItem();
  void AddAboutMenuItem(const char* pszAboutMenu);
  // m_hIcon as the big, then the small caption icon.
  void SetCaptionIcons();
  // Icons 133 and 134 on the tempo-up and tempo-down buttons.
  void SetArrowIcons();
  // The black brush behind display and status line; the 48-pixel bold display font.
  void CreateBrushAndDisplayFont();
  // " MOSS " in the display, "GATE" in the status line, text 102 in the hint.
  void ShowSplashTexts();

  // The tempo in the display, then text 112 in the status line.
  void UpdateDisplay();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnClickTimerUnavailable() override;

  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnDestroy();
  void OnTimer(UINT_PTR nIDEvent);

  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnTempoDown();
  void OnTempoUp();
  void OnStartBeat();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnSettings();
  void OnMoreSoftware();

  CStatic m_wndStatus;
  CStatic m_wndHint;
  CButton m_wndHintFrame;
  CStatic m_wndDisplay;
  CButton m_btnUp;
  CButton m_btnStart;
  CButton m_btnDown;
  HICON m_hIcon;
  CBrush* m_pBkBrush = nullptr;
  LOGFONT m_lfDisplay{};
  CFont* m_pDisplayFont = nullptr;
  COLORREF m_crBk = RGB(0, 0, 0);
  COLORREF m_crDisplayText = RGB(200, 60, 60);
  COLORREF m_crHintText = RGB(0, 0, 200);
  // m_nTempo, m_nPeriod, m_nTimerEvent, m_hMidiOut: CClickScheduler.
  // m_bMidiError, m_nMidiDevice, m_dwVolume: CMidiPortManager.
  BYTE m_nInstrument = DEFAULT_PERCUSSION_NOTE;

  DECLARE_MESSAGE_MAP()
};
