#include "ui/bpm_checker_dlg.h"

#include <cstring>
#include <string>

#include "framework/icon.h"
#include "framework/strings.h"
#include "metronome/tempo.h"
#include "res/resource.h"

CPoint MinimizedIconPosition(int clientWidth, int clientHeight, int cx, int cy) {
  return CPoint((clientWidth - cx + 1) / 2, (clientHeight - cy + 1) / 2);
}

CBpmCheckerDlg::CBpmCheckerDlg(CWnd* pParent)
    : CDialog(IDD_BPM_DIALOG, pParent), m_hIcon(LoadIcon(IDR_MAINFRAME)) {}

CBpmCheckerDlg::~CBpmCheckerDlg() = default;

void CBpmCheckerDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_STATUS, m_wndStatus);
  DDX_Control(pDX, IDC_HINT, m_wndHint);
  DDX_Control(pDX, IDC_HINT_FRAME, m_wndHintFrame);
  DDX_Control(pDX, IDC_DISPLAY, m_wndDisplay);
  DDX_Control(pDX, IDC_TEMPO_UP, m_btnUp);
  DDX_Control(pDX, IDC_START_BEAT, m_btnStart);
  DDX_Control(pDX, IDC_TEMPO_DOWN, m_btnDown);
}

void CBpmCheckerDlg::AddAboutMenuItem() { AddAboutMenuItem(LoadStringResource(IDS_ABOUTBOX).c_str()); }

void CBpmCheckerDlg::AddAboutMenuItem(const char* pszAboutMenu) {
  CMenu* pSysMenu = GetSystemMenu(FALSE);
  if (pSysMenu && pszAboutMenu && *pszAboutMenu) {
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, pszAboutMenu);
  }
}

void CBpmCheckerDlg::SetCaptionIcons() {
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

void CBpmCheckerDlg::SetArrowIcons() {
  m_btnUp.SetIcon(LoadIcon(IDI_TEMPO_UP));
  m_btnDown.SetIcon(LoadIcon(IDI_TEMPO_DOWN));
}

void CBpmCheckerDlg::CreateBrushAndDisplayFont() {
  m_pBkBrush = new CBrush;
  m_pBkBrush->CreateSolidBrush(m_crBk);

  std::memset(&m_lfDisplay, 0, sizeof(m_lfDisplay));
  m_lfDisplay.lfHeight = 48;
  m_lfDisplay.lfWidth = 0;
  m_lfDisplay.lfEscapement = 0;
  m_lfDisplay.lfOrientation = 0;
  m_lfDisplay.lfWeight = 700;  // FW_BOLD
  m_lfDisplay.lfItalic = 0;
  m_lfDisplay.lfUnderline = 0;
  m_lfDisplay.lfStrikeOut = 0;
  m_lfDisplay.lfCharSet = 0;        // ANSI_CHARSET
  m_lfDisplay.lfOutPrecision = 2;   // OUT_CHARACTER_PRECIS
  m_lfDisplay.lfClipPrecision = 0;  // CLIP_DEFAULT_PRECIS
  m_lfDisplay.lfQuality = 2;        // PROOF_QUALITY
  m_lfDisplay.lfPitchAndFamily = 0;
  std::strncpy(m_lfDisplay.lfFaceName, "Arial", LF_FACESIZE);

  m_pDisplayFont = new CFont;
  m_pDisplayFont->CreateFontIndirect(&m_lfDisplay);
  m_wndDisplay.SetFont(m_pDisplayFont, TRUE);
}

void CBpmCheckerDlg::ShowSplashTexts() {
  m_wndDisplay.SetWindowText(" MOSS ");
  m_wndStatus.SetWindowText("GATE");
  m_wndHint.SetWindowText(LoadStringResource(IDS_HINT_INTRO));
}

void CBpmCheckerDlg::UpdateDisplay() {
  m_wndDisplay.SetWindowText(TempoToText(m_nTempo));
  m_wndStatus.SetWindowText(LoadStringResource(IDS_SYNC_PROMPT));
}

HBRUSH CBpmCheckerDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH hbr = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
  if (nCtlColor != CTLCOLOR_STATIC || !pWnd) return hbr;
  switch (pWnd->GetDlgCtrlID()) {
    case IDC_DISPLAY:
    case IDC_STATUS:
      pDC->SetTextColor(m_crDisplayText);
      pDC->SetBkMode(TRANSPARENT);
      return m_pBkBrush ? m_pBkBrush->GetSafeHandle() : nullptr;
    case IDC_HINT:
      pDC->SetTextColor(m_crHintText);
      pDC->SetBkMode(TRANSPARENT);
      return hbr;
    default:
      return hbr;
  }
}

void CBpmCheckerDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int cx = GetSystemMetrics(SM_CXICON);
  const int cy = GetSystemMetrics(SM_CYICON);
  CRect rect;
  GetClientRect(&rect);
  const CPoint pt = MinimizedIconPosition(rect.Width(), rect.Height(), cx, cy);
  dc.DrawIcon(pt.x, pt.y, m_hIcon);
}

HCURSOR CBpmCheckerDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
