#include "surface/QtSurface.h"

#include <QFontMetricsF>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

// Qt's rasteriser works in fixed point; far-away coordinates are clipped to a
// generous window around the image first so that they can never overflow it.
constexpr double kFar = 100000.0;

bool finite(QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// Liang-Barsky clipping of the segment a-b to [-kFar, kFar] on both axes.
bool clipFar(QPointF &a, QPointF &b) {
  double t0 = 0, t1 = 1;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() + kFar, kFar - a.x(), a.y() + kFar, kFar - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
    } else {
      const double t = q[i] / p[i];
      if (p[i] < 0) t0 = std::max(t0, t);
      else t1 = std::min(t1, t);
    }
  }
  if (t0 > t1) return false;
  const QPointF start = a;
  a = start + QPointF(dx, dy) * t0;
  b = start + QPointF(dx, dy) * t1;
  return true;
}

QColor toQColor(Colour c) { return QColor::fromRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

}  // namespace

QtSurface::QtSurface(double widthTwips, double heightTwips, double twipsPerPixel, QColor background, QColor foreground,
                     QFont font)
    : SurfaceState(widthTwips, heightTwips), tpp(twipsPerPixel), back(background), fore(foreground),
      ownFont(std::move(font)),
      img(std::max(1, static_cast<int>(std::lround(widthTwips / twipsPerPixel))),
          std::max(1, static_cast<int>(std::lround(heightTwips / twipsPerPixel))), QImage::Format_RGB32) {
  img.fill(back);
}

QtSurface::~QtSurface() = default;

QPainter &QtSurface::painter() {
  if (!activePainter) activePainter = std::make_unique<QPainter>(&img);
  return *activePainter;
}

const QImage &QtSurface::image() {
  activePainter.reset();
  return img;
}

void QtSurface::changed() {
  if (onChanged) onChanged();
}

QPointF QtSurface::toPixel(double x, double y) const {
  return {(x - ScaleLeft()) / ScaleWidth() * (Width() / tpp), (y - ScaleTop()) / ScaleHeight() * (Height() / tpp)};
}

void QtSurface::Cls() {
  activePainter.reset();
  img.fill(back);
  homeTextPosition();
  changed();
}

void QtSurface::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, bool box) {
  setCurrentX(x2);
  setCurrentY(y2);
  QPointF a = toPixel(x1, y1), b = toPixel(x2, y2);
  if (!finite(a) || !finite(b)) return;

  QPainter &p = painter();
  const int width = DrawWidth();
  QPen pen(colour ? toQColor(*colour) : fore, width);
  pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);

  if (box) {
    if (std::abs(a.x()) > kFar || std::abs(a.y()) > kFar || std::abs(b.x()) > kFar || std::abs(b.y()) > kFar) {
      // Draw the four sides one by one; each is clipped on its own.
      const QPointF c(b.x(), a.y()), d(a.x(), b.y());
      const QPointF sides[4][2] = {{a, c}, {c, b}, {b, d}, {d, a}};
      p.setRenderHint(QPainter::Antialiasing, false);
      for (auto side : sides) {
        QPointF s = side[0], e = side[1];
        if (clipFar(s, e)) p.drawLine(s, e);
      }
    } else {
      p.setRenderHint(QPainter::Antialiasing, false);
      p.drawRect(QRectF(a, b).normalized());
    }
    changed();
    return;
  }

  if (!clipFar(a, b)) return;
  // Horizontal and vertical lines stay crisp; slanted thick lines are smoothed.
  const bool axisAligned = a.x() == b.x() || a.y() == b.y();
  p.setRenderHint(QPainter::Antialiasing, !axisAligned && width > 1);
  p.drawLine(a, b);
  changed();
}

void QtSurface::Circle(double x, double y, double radius) {
  const QPointF c = toPixel(x, y);
  const double r = std::abs(radius / ScaleWidth() * (Width() / tpp));
  if (!finite(c) || !std::isfinite(r) || std::abs(c.x()) > kFar || std::abs(c.y()) > kFar || r > kFar) return;
  QPainter &p = painter();
  p.setPen(QPen(fore, DrawWidth()));
  p.setBrush(Qt::NoBrush);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.drawEllipse(c, r, r);
  changed();
}

const QFont &QtSurface::printFont() {
  const SurfaceFont &sel = selectedFont();
  if (sel.face.empty()) return ownFont;
  SurfaceFont key = sel;
  key.escapement = 0;  // the angle is applied when drawing, not in the font
  if (cachedFor != key) {
    cachedFont = QFont(QString::fromStdString(sel.face));
    if (sel.height != 0) cachedFont.setPixelSize(std::max(1, std::abs(sel.height)));
    else if (ownFont.pixelSize() > 0) cachedFont.setPixelSize(ownFont.pixelSize());
    else cachedFont.setPointSizeF(ownFont.pointSizeF());
    cachedFor = key;
  }
  return cachedFont;
}

void QtSurface::Print(const std::string &text) {
  const QFont &font = printFont();
  const QFontMetricsF metrics(font);
  const QPointF at = toPixel(CurrentX(), CurrentY());
  if (finite(at) && std::abs(at.x()) < kFar && std::abs(at.y()) < kFar) {
    QPainter &p = painter();
    p.setFont(font);
    p.setPen(fore);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const int escapement = selectedFont().escapement;
    if (escapement == 0) {
      p.drawText(at + QPointF(0, metrics.ascent()), QString::fromUtf8(text.data(), qsizetype(text.size())));
    } else {
      p.save();
      p.translate(at);
      p.rotate(-escapement / 10.0);
      p.drawText(QPointF(0, metrics.ascent()), QString::fromUtf8(text.data(), qsizetype(text.size())));
      p.restore();
    }
    changed();
  }
  setCurrentX(ScaleLeft());
  setCurrentY(CurrentY() + metrics.height() * tpp * ScaleHeight() / Height());
}

}  // namespace vesk
