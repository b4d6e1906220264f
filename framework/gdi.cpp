#include "framework/gdi.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <cstring>

#include "framework/icon.h"
#include "framework/wnd.h"

BOOL CBrush::CreateSolidBrush(COLORREF cr) {
  if (m_handle) return FALSE;
  m_handle = std::make_unique<BrushHandle>(BrushHandle{cr});
  return TRUE;
}

namespace {

QFont::Weight WeightFromLogFont(LONG lfWeight) {
  if (lfWeight <= 0) return QFont::Normal;  // FW_DONTCARE
  // The LOGFONT weights are the same scale as Qt's (100 thin ... 900 black).
  const LONG clamped = lfWeight < 100 ? 100 : (lfWeight > 900 ? 900 : lfWeight);
  return static_cast<QFont::Weight>(clamped);
}

}  // namespace

BOOL CFont::CreateFontIndirect(const LOGFONT* lf) {
  if (!lf || m_font) return FALSE;
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, lf->lfFaceName, LF_FACESIZE);
  QFont font(QString::fromLatin1(face));
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(WeightFromLogFont(lf->lfWeight));
  font.setItalic(lf->lfItalic != 0);
  font.setUnderline(lf->lfUnderline != 0);
  font.setStrikeOut(lf->lfStrikeOut != 0);
  if (lf->lfHeight < 0) {
    font.setPixelSize(-lf->lfHeight);
  } else if (lf->lfHeight > 0) {
    // A positive height is the whole character cell: the largest em size whose
    // ascent + descent fits.
    int px = lf->lfHeight;
    font.setPixelSize(px);
    while (px > 1 && QFontMetrics(font).height() > lf->lfHeight) {
      font.setPixelSize(--px);
    }
  }
  m_font = font;
  return TRUE;
}

COLORREF ColorRefFromQColor(const QColor& c) {
  return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()),
             static_cast<BYTE>(c.blue()));
}

QColor QColorFromColorRef(COLORREF cr) {
  return QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

COLORREF CDC::SetTextColor(COLORREF cr) {
  const COLORREF old = GetTextColor();
  m_textColor = cr;
  return old;
}

COLORREF CDC::GetTextColor() const { return m_textColor.value_or(0); }

int CDC::SetBkMode(int mode) {
  const int old = m_bkMode;
  m_bkMode = mode;
  return old;
}

COLORREF CDC::SetBkColor(COLORREF cr) {
  const COLORREF old = GetBkColor();
  m_bkColor = cr;
  return old;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  if (!m_painter || !m_painter->isActive() || !icon) return FALSE;
  QIconFromHandle(icon).paint(m_painter, QRect(x, y, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON)));
  return TRUE;
}

CPaintDC::CPaintDC(CWnd* wnd) {
  if (wnd && wnd->GetSafeHwnd()) {
    m_ownPainter = std::make_unique<QPainter>();
    // Only succeeds inside the widget's paint event, which is where OnPaint runs.
    if (m_ownPainter->begin(wnd->GetSafeHwnd())) m_painter = m_ownPainter.get();
  }
}

CPaintDC::~CPaintDC() {
  if (m_ownPainter && m_ownPainter->isActive()) m_ownPainter->end();
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    default:
      return 0;
  }
}
