#include "framework/icon.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <map>

#include "res/icons.h"

namespace {

// Renders the picture drawn for the nearest size at the exact pixel size asked
// for, so the icon stays sharp on high-density screens.
class SvgIconEngine : public QIconEngine {
 public:
  explicit SvgIconEngine(const IconResource* res) : m_res(res) {}

  QIconEngine* clone() const override { return new SvgIconEngine(m_res); }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (std::size_t i = 0; i < m_res->imageCount; ++i)
      sizes << QSize(m_res->images[i].size, m_res->images[i].size);
    return sizes;
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    {
      QPainter p(&pm);
      Render(&p, QRectF(QPointF(0, 0), QSizeF(size)), std::min(size.width(), size.height()));
    }
    if (mode == QIcon::Disabled) {
      QStyleOption opt;
      pm = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &opt);
    }
    return pm;
  }

  // `size` is already in device pixels.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    QPixmap pm = pixmap(size, mode, state);
    pm.setDevicePixelRatio(scale);
    return pm;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
             QIcon::State state) override {
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size() * dpr, mode, state, dpr));
  }

 private:
  void Render(QPainter* p, const QRectF& target, int pixels) const {
    // The smallest picture drawn for at least the target size, else the largest.
    const IconImage* image = &m_res->images[m_res->imageCount - 1];
    for (std::size_t i = 0; i < m_res->imageCount; ++i) {
      if (m_res->images[i].size >= pixels) {
        image = &m_res->images[i];
        break;
      }
    }
    QSvgRenderer renderer(QByteArray(image->svg));
    renderer.render(p, target);
  }

  const IconResource* m_res;
};

}  // namespace

HICON LoadIcon(UINT id) {
  // Never freed: icons live as long as the program, like resource icons.
  static auto* cache = new std::map<UINT, IconHandle*>();
  if (auto it = cache->find(id); it != cache->end()) return it->second;
  const IconResource* res = FindIconResource(id);
  if (!res || res->imageCount == 0) return nullptr;
  auto* handle = new IconHandle{id, QIcon(new SvgIconEngine(res))};
  cache->emplace(id, handle);
  return handle;
}

QIcon QIconFromHandle(HICON icon) { return icon ? icon->icon : QIcon(); }
