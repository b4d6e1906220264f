#pragma once
// Reading short texts off a screenshot without OCR. The pixels drawn in a known
// text colour over a known background form a mask; Qt renders each candidate
// text in the same font and colours, and the candidate whose mask is most alike
// wins. Needs a QGuiApplication (the offscreen platform will do) for the fonts.
//
//   const TextLook look{DisplayFont(), QColor(200, 60, 60), Qt::black};
//   const TextMask shown = TextMask::FromImage(shot, panel, look);
//   const TextReading r = ReadText(shown.Bands()[0], look, {"110.00", "120.00"});
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

struct TextLook {
  QFont font;
  QColor text;
  QColor background;
};

class TextMask {
 public:
  TextMask() = default;
  TextMask(int width, int height);

  // Pixels of `area` at least half covered by text of `look`: colours on the
  // straight line from the background to the text colour, past its middle.
  static TextMask FromImage(const QImage& image, const QRect& area, const TextLook& look);
  // One line of `text` as Qt draws it in `look`, starting `phase` (0 to 1) of a
  // pixel right of a pixel edge, cropped to its bounding box.
  static TextMask Rendered(const QString& text, const TextLook& look, double phase = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool At(int x, int y) const;
  void Set(int x, int y);
  int Count() const;
  bool Empty() const { return Count() == 0; }
  QRect BoundingBox() const;  // of the set pixels; null when there is none
  TextMask Cropped(const QRect& area) const;
  // Horizontal stripes of set pixels, separated by empty rows, top first, each
  // cropped to its bounding box: one per line of text that does not touch the next.
  std::vector<TextMask> Bands() const;
  // The mask as a picture (text black on white), for failure reports.
  QImage ToImage() const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<unsigned char> bits_;
};

// Shared pixels over pixels in either mask, once the bounding boxes are lined
// up, at the best shift of up to `slack` pixels either way: 1 for identical
// masks, 1 for two empty ones, 0 when only one is empty.
double Likeness(const TextMask& a, const TextMask& b, int slack = 2);

// The likeness of `shown` to `text` drawn in `look` at the best of a range of
// sub-pixel starts: Qt places glyphs at fractions of a pixel, and thin strokes
// of small text look quite different half a pixel apart.
double LikenessToText(const TextMask& shown, const QString& text, const TextLook& look);

struct TextReading {
  QString text;           // the candidate most like the mask ("" stands for no text)
  double likeness = 0;    // its likeness
  double runnerUp = 0;    // the likeness of the next best candidate
  QString Describe() const;
};
TextReading ReadText(const TextMask& shown, const TextLook& look, const QStringList& candidates);

// The bounding box of all horizontal runs of at least `minRun` pixels of exactly
// `color`: a solid panel, whatever is drawn on parts of it. Null when none.
QRect FindPanel(const QImage& image, const QColor& color, int minRun);
