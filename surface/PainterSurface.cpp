#include "surface/PainterSurface.h"

#include "surface/ColumnReduction.h"
#include "surface/QtCommon.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vesk {

namespace {

// Lines are clipped to this many pixels around the surface, which keeps wide
// pens' ends whole.
constexpr double kMargin = 16;

}  // namespace

PainterSurface::PainterSurface(SharedPainter &shared, QRectF box, QPainterPath visible, double widthTwips,
                               double heightTwips, double twipsPerPixel, QColor background, QColor foreground,
                               QFont font)
    : SurfaceState(widthTwips, heightTwips),
      shared(shared),
      area(box),
      shown(std::move(visible)),
      tpp(twipsPerPixel),
      perPixel(box.width() / (widthTwips / twipsPerPixel)),
      back(background),
      fore(foreground),
      screenFont(std::move(font)),
      ownFont(makeFont(screenFont)) {}

QPointF PainterSurface::toPixel(double x, double y) const {
  return {(x - ScaleLeft()) / ScaleWidth() * (Width() / tpp), (y - ScaleTop()) / ScaleHeight() * (Height() / tpp)};
}

QPointF PainterSurface::toDevice(QPointF pixel) const { return area.topLeft() + pixel * perPixel; }

QPainter &PainterSurface::painter() {
  if (shared.clipOwner != this) {
    shared.painter.setClipPath(shown);
    shared.clipOwner = this;
  }
  return shared.painter;
}

QPen PainterSurface::pen(QColor colour) const {
  QPen p(colour, DrawWidth() * perPixel);
  // One-pixel marks cover both end pixels whole, as QtSurface's do; wider
  // lines join their segments round.
  p.setCapStyle(DrawWidth() == 1 ? Qt::SquareCap : Qt::RoundCap);
  p.setJoinStyle(Qt::MiterJoin);
  return p;
}

PainterSurface::FontInfo PainterSurface::makeFont(const QFont &screen) const {
  FontInfo info;
  info.lineHeight = QFontMetricsF(screen).height();
  const double pixels = screen.pixelSize() > 0 ? screen.pixelSize() : screen.pointSizeF() * 20 / tpp;
  // Point sizes keep fractions; the device's resolution turns them into its units.
  const QPaintDevice *device = shared.painter.device();
  const int dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
  info.device = screen;
  info.device.setPointSizeF(std::max(pixels * perPixel * 72.0 / dpi, 0.01));
  info.ascent = device ? QFontMetricsF(info.device, device).ascent() : QFontMetricsF(info.device).ascent();
  return info;
}

// The font QtSurface prints in for the same selection.
const PainterSurface::FontInfo &PainterSurface::printFont() {
  const SurfaceFont &sel = selectedFont();
  if (sel.face.empty()) return ownFont;
  if (!cachedFor || cachedFor->face != sel.face || cachedFor->height != sel.height) {
    cachedFont = makeFont(selectedQFont(sel, screenFont));
    cachedFor = sel;
  }
  return cachedFont;
}

void PainterSurface::Cls() {
  painter().fillRect(area, back);
  homeTextPosition();
}

void PainterSurface::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, bool box) {
  setCurrentX(x2);
  setCurrentY(y2);
  QPointF a = toPixel(x1, y1), b = toPixel(x2, y2);
  if (!finite(a) || !finite(b)) return;
  const QColor c = colour ? toQColor(*colour) : fore;
  const QRectF window = clipWindow();

  if (box) {
    // Through the pixels of both corners, as QtSurface draws it.
    const auto inWindow = [&](QPointF p) {
      return QPointF(std::clamp(p.x(), window.left(), window.right()),
                     std::clamp(p.y(), window.top(), window.bottom()));
    };
    const QPointF ca = inWindow(a), cb = inWindow(b);
    const QPointF topLeft(std::min(ca.x(), cb.x()), std::min(ca.y(), cb.y()));
    const QPointF bottomRight(std::max(ca.x(), cb.x()), std::max(ca.y(), cb.y()));
    QPainter &p = painter();
    p.setPen(pen(c));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(toDevice(topLeft + QPointF(0.5, 0.5)), toDevice(bottomRight + QPointF(0.5, 0.5))));
    return;
  }

  if (!clipSegment(window, a, b)) return;
  // Through the pixel centres.
  const QPointF shift(0.5, 0.5);
  QPainter &p = painter();
  p.setPen(pen(c));
  p.drawLine(toDevice(a + shift), toDevice(b + shift));
}

QRectF PainterSurface::clipWindow() const {
  return {-kMargin, -kMargin, Width() / tpp + 2 * kMargin, Height() / tpp + 2 * kMargin};
}

void PainterSurface::Polyline(const PointRun &points, Colour colour) {
  if (DrawWidth() == 1) {
    Surface::Polyline(points, colour);
    return;
  }
  if (points.count < 2) return;
  ColumnReduction reduction(1);
  for (std::size_t k = 0; k < points.count; ++k) reduction.add(toPixel(points.xAt(k), points.yAt(k)));
  const std::vector<QPointF> &kept = reduction.points();

  // Segment by segment as Line clips them; a segment that starts where the
  // last one ended goes on from it.
  const QRectF window = clipWindow();
  const QPointF shift(0.5, 0.5);
  QPainterPath path;
  bool joined = false;
  QPointF end;
  for (std::size_t k = 1; k < kept.size(); ++k) {
    QPointF a = kept[k - 1], b = kept[k];
    if (!finite(a) || !finite(b) || !clipSegment(window, a, b)) {
      joined = false;
      continue;
    }
    if (!joined || a != end) path.moveTo(toDevice(a + shift));
    path.lineTo(toDevice(b + shift));
    joined = b == kept[k];
    end = b;
  }
  setCurrentX(points.xAt(points.count - 1));
  setCurrentY(points.yAt(points.count - 1));
  if (path.isEmpty()) return;
  QPainter &p = painter();
  QPen linePen = pen(toQColor(colour));
  // Round joins cover what the round ends of separate segments cover.
  linePen.setJoinStyle(Qt::RoundJoin);
  p.setPen(linePen);
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void PainterSurface::Circle(double x, double y, double radius) {
  const QPointF c = toPixel(x, y);
  const double r = std::abs(radius / ScaleWidth() * (Width() / tpp));
  if (!finite(c) || !std::isfinite(r) || !near(c) || r > kFar) return;
  QPainter &p = painter();
  p.setPen(pen(fore));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(toDevice(c + QPointF(0.5, 0.5)), r * perPixel, r * perPixel);
}

void PainterSurface::Print(const std::string &text) {
  const FontInfo &font = printFont();
  const QPointF at = toPixel(CurrentX(), CurrentY());
  if (finite(at) && near(at) && !text.empty()) {
    QPainter &p = painter();
    p.setFont(font.device);
    p.setPen(QPen(fore));
    const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const QPointF origin = toDevice(at);
    const int escapement = selectedFont().escapement;
    if (escapement % 3600 == 0) {
      p.drawText(origin + QPointF(0, font.ascent), s);
    } else {
      // Counter-clockwise on screen about the text's top-left corner.
      p.setTransform(QTransform::fromTranslate(origin.x(), origin.y()).rotate(-escapement / 10.0));
      p.drawText(QPointF(0, font.ascent), s);
      p.resetTransform();
    }
  }
  setCurrentX(ScaleLeft());
  setCurrentY(CurrentY() + font.lineHeight * tpp * ScaleHeight() / Height());
}

}  // namespace vesk
