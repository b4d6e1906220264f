#include "framework/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>

DialogBaseUnits BaseUnitsOfFont(const QFont& font) {
  const QFontMetrics fm(font);
  const int width = fm.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(width / 26 + 1) / 2, fm.height()};
}

QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int cx, int cy) {
  return QRect(MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4),
               MulDiv(cy, units.y, 8));
}

QFont TemplateFont(const DialogTemplate& tmpl) {
  if (!(tmpl.style & DS_SETFONT) || !tmpl.fontFace) return QApplication::font();
  int dpi = 96;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dpi = static_cast<int>(screen->logicalDotsPerInchY() + 0.5);
  }
  QFont font(QString::fromLatin1(tmpl.fontFace));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(MulDiv(tmpl.pointSize, dpi, 72));
  if (tmpl.weight > 0) font.setWeight(static_cast<QFont::Weight>(tmpl.weight));
  font.setItalic(tmpl.italic);
  return font;
}
