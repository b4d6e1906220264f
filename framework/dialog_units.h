#pragma once
// Dialog units to pixels, as the classic platform computes them: from the dialog
// font's average character width and its height.
#include <QFont>
#include <QRect>

#include "framework/win_defs.h"
#include "res/dialog_templates.h"

struct DialogBaseUnits {
  int x;  // average character width, pixels
  int y;  // character height (ascent + descent), pixels
};

// (width of "A..Za..z" / 26 + 1) / 2 and the font's height.
DialogBaseUnits BaseUnitsOfFont(const QFont& font);

// x * baseX / 4 and y * baseY / 8, each rounded as MulDiv rounds.
QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int cx, int cy);

// The template's font: its face (fontconfig picks a stand-in for a face the system
// lacks) at an em height of MulDiv(points, logical dpi, 72) pixels; the
// application font when the template sets none.
QFont TemplateFont(const DialogTemplate& tmpl);
