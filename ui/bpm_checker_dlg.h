#pragma once
// The main window: tempo display, status line, keyboard hints, tempo and command
// buttons. This file holds its layout and look.
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "metronome/click_scheduler.h"

// Where the minimised window draws its icon: centred, (client - icon + 1) / 2 on
// each axis in integer division that rounds toward zero.
CPoint MinimizedIconPosition(int clientWidth, int clientHeight, int cx, int cy);

class CBpmCheckerDlg : public CDialog, public CClickScheduler {
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
  // m_nTempo: CClickScheduler.
  BOOL m_bMidiError = FALSE;
  UINT m_nMidiDevice = 0;
  BYTE m_nInstrument = 0;
  // m_hMidiOut, m_nPeriod, m_nTimerEvent: CClickScheduler.
  DWORD m_dwVolume = 0;

  DECLARE_MESSAGE_MAP()
};
