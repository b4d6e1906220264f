// Writes the application icon as a hicolor icon-theme tree, from the same SVG
// pictures the program shows, so the installed icon cannot drift from them.
//
//   mossgate-write-icons OUT_DIR ICON_NAME SIZE...
//
// writes OUT_DIR/scalable/apps/ICON_NAME.svg and OUT_DIR/<SIZE>x<SIZE>/apps/ICON_NAME.png
// for every SIZE.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "res/icons.h"
#include "res/resource.h"

namespace {

// Each picture is drawn for one pixel size: a target size uses the largest picture
// drawn for that size or smaller, so 16 px keeps its hand-fitted picture and larger
// sizes scale up the most detailed one.
const IconImage& PictureFor(const IconResource& icon, int size) {
  const IconImage* best = &icon.images[0];
  for (std::size_t i = 0; i < icon.imageCount; ++i) {
    if (icon.images[i].size <= size) best = &icon.images[i];
  }
  return *best;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  if (!QDir().mkpath(QFileInfo(path).path())) return false;
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(bytes) == bytes.size() && file.flush();
}

bool WritePng(const QString& path, const IconImage& picture, int size) {
  QSvgRenderer renderer(QByteArray(picture.svg));
  if (!renderer.isValid()) return false;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
  }
  return QDir().mkpath(QFileInfo(path).path()) && image.save(path, "PNG");
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "mossgate-write-icons: %s\n", what.c_str());
  return EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Fail("usage: mossgate-write-icons OUT_DIR ICON_NAME SIZE...");
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);

  const IconResource* icon = FindIconResource(IDR_MAINFRAME);
  if (icon == nullptr || icon->imageCount == 0) return Fail("no application icon in res/");

  const IconImage& largest = icon->images[icon->imageCount - 1];
  const QString svgPath = outDir + "/scalable/apps/" + name + ".svg";
  if (!WriteFile(svgPath, QByteArray(largest.svg))) {
    return Fail("cannot write " + svgPath.toStdString());
  }

  for (int i = 3; i < argc; ++i) {
    char* end = nullptr;
    const long size = std::strtol(argv[i], &end, 10);
    if (*argv[i] == '\0' || *end != '\0' || size < 1 || size > 1024) {
      return Fail(std::string("bad size '") + argv[i] + "'");
    }
    const int px = static_cast<int>(size);
    const QString pngPath =
        outDir + QString("/%1x%1/apps/").arg(px) + name + ".png";
    if (!WritePng(pngPath, PictureFor(*icon, px), px)) {
      return Fail("cannot render " + pngPath.toStdString());
    }
  }
  return EXIT_SUCCESS;
}
