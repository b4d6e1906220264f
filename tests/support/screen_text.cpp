#include "support/screen_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// How far (0..255 per channel, Euclidean) a pixel may lie off the line from the
// background to the text colour: antialiasing stays on it, other colours do not.
constexpr double kOffLineTolerance = 48;

bool IsTextPixel(QRgb pixel, const TextLook& look) {
  const double bg[3] = {double(look.background.red()), double(look.background.green()),
                        double(look.background.blue())};
  const double d[3] = {look.text.red() - bg[0], look.text.green() - bg[1], look.text.blue() - bg[2]};
  const double p[3] = {qRed(pixel) - bg[0], qGreen(pixel) - bg[1], qBlue(pixel) - bg[2]};
  const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  if (dd == 0) return false;
  const double t = (p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / dd;  // coverage
  double off = 0;
  for (int c = 0; c < 3; ++c) off += (p[c] - t * d[c]) * (p[c] - t * d[c]);
  return t >= 0.5 && t <= 1.25 && std::sqrt(off) <= kOffLineTolerance;
}

// Sub-pixel starts tried per text; Qt's glyph cache keeps a few phases per pixel.
constexpr int kPhases = 16;

}  // namespace

TextMask::TextMask(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      bits_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

bool TextMask::At(int x, int y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_ && bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
}

void TextMask::Set(int x, int y) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = 1;
}

int TextMask::Count() const { return static_cast<int>(std::count(bits_.begin(), bits_.end(), 1)); }

TextMask TextMask::FromImage(const QImage& image, const QRect& area, const TextLook& look) {
  const QRect clipped = area.intersected(image.rect());
  TextMask mask(clipped.width(), clipped.height());
  for (int y = 0; y < mask.height_; ++y) {
    for (int x = 0; x < mask.width_; ++x) {
      if (IsTextPixel(image.pixel(clipped.x() + x, clipped.y() + y), look)) mask.Set(x, y);
    }
  }
  return mask;
}

TextMask TextMask::Rendered(const QString& text, const TextLook& look, double phase) {
  const QFontMetrics metrics(look.font);
  const int margin = metrics.height();
  QImage image(metrics.horizontalAdvance(text) + 2 * margin, 3 * margin, QImage::Format_RGB32);
  image.fill(look.background);
  {
    QPainter painter(&image);
    painter.setFont(look.font);
    painter.setPen(look.text);
    painter.drawText(QPointF(margin + phase, margin + metrics.ascent()), text);
  }
  const TextMask mask = FromImage(image, image.rect(), look);
  return mask.Cropped(mask.BoundingBox());
}

QRect TextMask::BoundingBox() const {
  int left = width_, right = -1, top = height_, bottom = -1;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (!At(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

TextMask TextMask::Cropped(const QRect& area) const {
  if (area.isNull()) return {};
  TextMask out(area.width(), area.height());
  for (int y = 0; y < out.height_; ++y) {
    for (int x = 0; x < out.width_; ++x) {
      if (At(area.x() + x, area.y() + y)) out.Set(x, y);
    }
  }
  return out;
}

std::vector<TextMask> TextMask::Bands() const {
  std::vector<TextMask> bands;
  int start = -1;
  for (int y = 0; y <= height_; ++y) {
    bool any = false;
    for (int x = 0; y < height_ && x < width_ && !any; ++x) any = At(x, y);
    if (any && start < 0) start = y;
    if (!any && start >= 0) {
      const TextMask band = Cropped(QRect(0, start, width_, y - start));
      const QRect box = band.BoundingBox();
      bands.push_back(band.Cropped(box));
      start = -1;
    }
  }
  return bands;
}

QImage TextMask::ToImage() const {
  QImage image(std::max(1, width_), std::max(1, height_), QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (At(x, y)) image.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  return image;
}

double Likeness(const TextMask& a, const TextMask& b, int slack) {
  const TextMask ca = a.Cropped(a.BoundingBox());
  const TextMask cb = b.Cropped(b.BoundingBox());
  const int countA = ca.Count(), countB = cb.Count();
  if (countA == 0 || countB == 0) return countA == countB ? 1.0 : 0.0;
  int bestShared = 0;
  for (int dy = -slack; dy <= slack; ++dy) {
    for (int dx = -slack; dx <= slack; ++dx) {
      int shared = 0;
      for (int y = 0; y < cb.Height(); ++y) {
        for (int x = 0; x < cb.Width(); ++x) {
          if (cb.At(x, y) && ca.At(x + dx, y + dy)) ++shared;
        }
      }
      bestShared = std::max(bestShared, shared);
    }
  }
  return double(bestShared) / double(countA + countB - bestShared);
}

QString TextReading::Describe() const {
  return QStringLiteral("reads \"%1\" (likeness %2, next best %3)")
      .arg(text)
      .arg(likeness, 0, 'f', 3)
      .arg(runnerUp, 0, 'f', 3);
}

double LikenessToText(const TextMask& shown, const QString& text, const TextLook& look) {
  double best = 0;
  for (int i = 0; i < kPhases && best < 1; ++i) {
    best = std::max(best, Likeness(shown, TextMask::Rendered(text, look, double(i) / kPhases)));
  }
  return best;
}

TextReading ReadText(const TextMask& shown, const TextLook& look, const QStringList& candidates) {
  TextReading best;
  best.likeness = -1;
  for (const QString& candidate : candidates) {
    const double likeness = LikenessToText(shown, candidate, look);
    if (likeness > best.likeness) {
      best.runnerUp = std::max(best.likeness, 0.0);
      best.likeness = likeness;
      best.text = candidate;
    } else {
      best.runnerUp = std::max(best.runnerUp, likeness);
    }
  }
  best.likeness = std::max(best.likeness, 0.0);
  return best;
}

QRect FindPanel(const QImage& image, const QColor& color, int minRun) {
  const QRgb wanted = color.rgb();
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    int run = 0;
    for (int x = 0; x <= image.width(); ++x) {
      if (x < image.width() && (image.pixel(x, y) | 0xFF000000u) == (wanted | 0xFF000000u)) {
        ++run;
        continue;
      }
      if (run >= minRun) box |= QRect(x - run, y, run, 1);
      run = 0;
    }
  }
  return box;
}
