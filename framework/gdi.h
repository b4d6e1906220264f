#pragma once
// Drawing objects: solid brushes, fonts described by a LOGFONT, and the device
// context that the colouring hook and minimised painting hand to the dialog.
#include <QColor>
#include <QFont>
#include <memory>
#include <optional>

#include "framework/win_defs.h"

class QPainter;

struct BrushHandle {
  COLORREF color;
};

class CBrush {
 public:
  CBrush() = default;
  CBrush(const CBrush&) = delete;
  CBrush& operator=(const CBrush&) = delete;
  BOOL CreateSolidBrush(COLORREF cr);
  HBRUSH GetSafeHandle() const { return m_handle.get(); }
  operator HBRUSH() const { return GetSafeHandle(); }

 private:
  std::unique_ptr<BrushHandle> m_handle;
};

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  // lfHeight > 0 asks for a character cell (ascent + descent) of that many pixels,
  // < 0 for an em height of -lfHeight pixels, 0 for the default size.
  BOOL CreateFontIndirect(const LOGFONT* lf);
  bool IsCreated() const { return m_font.has_value(); }
  const QFont& qfont() const { return *m_font; }

 private:
  std::optional<QFont> m_font;
};

COLORREF ColorRefFromQColor(const QColor& c);
QColor QColorFromColorRef(COLORREF cr);

// What a colouring hook may set; unset members keep the control's own look.
class CDC {
 public:
  CDC() = default;
  explicit CDC(QPainter* painter) : m_painter(painter) {}
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC() = default;

  COLORREF SetTextColor(COLORREF cr);
  COLORREF GetTextColor() const;
  int SetBkMode(int mode);
  int GetBkMode() const { return m_bkMode; }
  COLORREF SetBkColor(COLORREF cr);
  bool HasTextColor() const { return m_textColor.has_value(); }
  bool HasBkColor() const { return m_bkColor.has_value(); }
  COLORREF GetBkColor() const { return m_bkColor.value_or(0xFFFFFF); }

  // Draws `icon` at its 32 x 32 size; only while painting.
  BOOL DrawIcon(int x, int y, HICON icon);
  HDC GetSafeHdc() { return reinterpret_cast<HDC>(this); }
  QPainter* painter() const { return m_painter; }

 protected:
  QPainter* m_painter = nullptr;

 private:
  std::optional<COLORREF> m_textColor;
  std::optional<COLORREF> m_bkColor;
  int m_bkMode = OPAQUE;
};

class CWnd;
// A device context for painting `wnd`; valid only inside its OnPaint.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;

 private:
  std::unique_ptr<QPainter> m_ownPainter;
};

int GetSystemMetrics(int index);
