// Dialog units become pixels the classic way.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "framework/dialog_units.h"
#include "res/resource.h"

namespace {

TEST(MulDiv, RoundsHalfAwayFromZero) {
  struct Case {
    int n, num, den, expected;
  };
  for (const Case& c : {Case{5, 7, 4, 9}, Case{3, 7, 4, 5}, Case{2, 7, 4, 4}, Case{1, 6, 4, 2},
                        Case{-1, 6, 4, -2}, Case{130, 13, 8, 211}, Case{187, 7, 4, 327},
                        Case{8, 96, 72, 11}, Case{10, 5, 0, -1}, Case{7, 1, -2, -4}}) {
    EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.expected) << c.n << "*" << c.num << "/" << c.den;
  }
}

TEST(DialogUnits, RectangleFromBaseUnits) {
  const DialogBaseUnits units{6, 13};
  EXPECT_EQ(DialogUnitsToPixels(units, 105, 5, 20, 20), QRect(158, 8, 30, 33));
  EXPECT_EQ(DialogUnitsToPixels(units, 0, 0, 187, 130), QRect(0, 0, 281, 211));
}

TEST(DialogUnits, BaseUnitsFromFontMetrics) {
  const QFont font = TemplateFont(*FindDialogTemplate(IDD_BPM_DIALOG));
  const QFontMetrics fm(font);
  const DialogBaseUnits units = BaseUnitsOfFont(font);
  const int alphabet =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ(units.x, (alphabet / 26 + 1) / 2);
  EXPECT_EQ(units.y, fm.ascent() + fm.descent());
  EXPECT_GT(units.x, 3);
  EXPECT_GT(units.y, 8);
}

TEST(DialogUnits, TemplateFontIsEightPointsAtTheLogicalDpi) {
  const QFont font = TemplateFont(*FindDialogTemplate(IDD_BPM_DIALOG));
  // 8 pt at 96 dpi: an em of 11 pixels, as the classic platform asks for.
  EXPECT_EQ(font.pixelSize(), 11);
  EXPECT_EQ(font.family(), QStringLiteral("MS Sans Serif"));
  EXPECT_FALSE(font.bold());
}

}  // namespace
