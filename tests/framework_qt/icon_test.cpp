// The three icons: loaded once, drawn at 16 and 32 pixels with the look asked for.
#include <gtest/gtest.h>

#include <QImage>

#include "framework/icon.h"
#include "res/resource.h"

namespace {

QImage Render(UINT id, int size, qreal dpr = 1.0) {
  return QIconFromHandle(LoadIcon(id)).pixmap(QSize(size, size), dpr).toImage().convertToFormat(
      QImage::Format_ARGB32);
}

TEST(Icons, SameHandleForTheSameId) {
  for (UINT id : {IDR_MAINFRAME, IDI_TEMPO_UP, IDI_TEMPO_DOWN}) {
    ASSERT_NE(LoadIcon(id), nullptr) << id;
    EXPECT_EQ(LoadIcon(id), LoadIcon(id));
  }
  EXPECT_EQ(LoadIcon(999), nullptr);
}

class IconSizes : public ::testing::TestWithParam<int> {};

TEST_P(IconSizes, SmileyIsYellowInsideBlackOutlineTransparentAround) {
  const int s = GetParam();
  const QImage img = Render(IDR_MAINFRAME, s);
  ASSERT_EQ(img.size(), QSize(s, s));
  EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "transparent corner";
  EXPECT_EQ(qAlpha(img.pixel(s - 1, s - 1)), 0);
  const QColor cheek = img.pixelColor(s / 4 + 1, s / 2);
  EXPECT_GT(cheek.red(), 200);
  EXPECT_GT(cheek.green(), 180);
  EXPECT_LT(cheek.blue(), 80);
  const QColor rim = img.pixelColor(s / 2, 0);
  EXPECT_LT(rim.lightness(), 90) << "black outline at the top";
}

TEST_P(IconSizes, ArrowTilesAreRaisedGreyWithTheTriangleTheirWay) {
  const int s = GetParam();
  for (UINT id : {IDI_TEMPO_UP, IDI_TEMPO_DOWN}) {
    const QImage img = Render(id, s);
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::white)) << "highlight top-left";
    EXPECT_EQ(img.pixelColor(s - 1, s - 1), QColor(Qt::black)) << "shadow bottom-right";
    EXPECT_EQ(img.pixelColor(3, s / 2), QColor(0xC0, 0xC0, 0xC0)) << "light grey face";
    // The triangle is widest at its base: count dark outline pixels in the top and
    // bottom quarters.
    auto darkIn = [&](int y0, int y1) {
      int n = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = 2; x < s - 2; ++x) n += img.pixelColor(x, y).lightness() < 170;
      return n;
    };
    const int top = darkIn(2, s / 2);
    const int bottom = darkIn(s / 2, s - 2);
    if (id == IDI_TEMPO_UP) {
      EXPECT_GT(bottom, top) << "points up, size " << s;
    } else {
      EXPECT_GT(top, bottom) << "points down, size " << s;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, IconSizes, ::testing::Values(16, 32));

TEST(Icons, HighDensityPixmapsHaveTheirFullResolution) {
  const QPixmap pm = QIconFromHandle(LoadIcon(IDI_TEMPO_UP)).pixmap(QSize(32, 32), 2.0);
  EXPECT_EQ(pm.size(), QSize(64, 64));
  EXPECT_DOUBLE_EQ(pm.devicePixelRatio(), 2.0);
}

}  // namespace
