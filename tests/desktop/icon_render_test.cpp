// The rendered application icon must show the face at every size: yellow in the
// middle, a dark outline, and transparent corners.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <string>

namespace {

class RenderedIcon : public ::testing::TestWithParam<int> {
 protected:
  QImage Load() const {
    const int size = GetParam();
    const QString path = QString(ICON_DIR "/%1x%1/apps/" APP_ID ".png").arg(size);
    QImage image(path);
    EXPECT_FALSE(image.isNull()) << path.toStdString();
    return image.convertToFormat(QImage::Format_ARGB32);
  }
};

TEST_P(RenderedIcon, ShowsTheFaceAtItsSize) {
  const int size = GetParam();
  const QImage image = Load();
  ASSERT_EQ(image.width(), size);
  ASSERT_EQ(image.height(), size);

  for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1),
                              QPoint(size - 1, size - 1)}) {
    EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << "corner " << corner.x() << "," << corner.y();
  }

  // The middle of the face lies between the eyes and the mouth: plain yellow.
  const QColor middle = image.pixelColor(size / 2, size / 2);
  EXPECT_EQ(middle.alpha(), 255);
  EXPECT_GT(middle.red(), 200);
  EXPECT_GT(middle.green(), 180);
  EXPECT_LT(middle.blue(), 100);

  // Crossing the left edge of the circle along the middle row meets the outline;
  // at 16 px it straddles two pixels, so a partly covered one counts.
  int darkest = 255;
  for (int x = 0; x < size / 4; ++x) {
    const QColor c = image.pixelColor(x, size / 2);
    if (c.alpha() >= 64) darkest = std::min(darkest, c.value());
  }
  EXPECT_LT(darkest, 80) << "no dark outline at the left edge";
}

INSTANTIATE_TEST_SUITE_P(HicolorSizes, RenderedIcon, ::testing::Values(ICON_SIZES),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param) + "px";
                         });

}  // namespace
