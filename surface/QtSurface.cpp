#include "surface/QtSurface.h"

#include "surface/QtCommon.h"

#include <QFontMetricsF>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vesk {

namespace {

// Laid-out texts kept per font; a redraw prints the same tick labels and titles again.
constexpr qsizetype kMaxCachedTexts = 4096;

// The whole pixel nearest to a continuous position within +-kFar.
int device(double p) { return static_cast<int>(std::floor(p + 0.5)); }

QPointF clampFar(QPointF p) { return {std::clamp(p.x(), -kFar, kFar), std::clamp(p.y(), -kFar, kFar)}; }

// The segment within [-kFar, kFar] on both axes.
bool clipFar(QPointF &a, QPointF &b) {
  if (!clipSegment(QRectF(-kFar, -kFar, 2 * kFar, 2 * kFar), a, b)) return false;
  a = clampFar(a);
  b = clampFar(b);
  return true;
}

int imageSide(double twips, double twipsPerPixel) {
  const double pixels = twips / twipsPerPixel;
  if (!(pixels >= 1)) return 1;
  return static_cast<int>(std::lround(std::min(pixels, 32767.0)));
}

// Writes straight into a 32-bit image, clipped to it: the lines of a redraw are
// far too many for QPainter's general path.
class Pixels {
public:
  explicit Pixels(QImage &img)
      : bits(reinterpret_cast<QRgb *>(img.bits())),
        stride(img.bytesPerLine() / 4),
        width(img.width()),
        height(img.height()) {}

  void fill(int left, int top, int w, int h, QRgb c) {
    const int x0 = std::max(left, 0), x1 = std::min(left + w, width);
    const int y0 = std::max(top, 0), y1 = std::min(top + h, height);
    if (x0 >= x1) return;
    for (int y = y0; y < y1; ++y) std::fill(bits + qsizetype(y) * stride + x0, bits + qsizetype(y) * stride + x1, c);
  }

  // Bresenham's line with both end pixels, each pixel a brush x brush square
  // from its top-left corner.
  void thinLine(int x0, int y0, int x1, int y1, QRgb c, int brush) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (true) {
      square(x0, y0, brush, c);
      if (x0 == x1 && y0 == y1) return;
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }

  // The midpoint circle about (cx, cy), each pixel a brush x brush square from
  // its top-left corner.
  void thinCircle(int cx, int cy, int r, QRgb c, int brush) {
    int x = r, y = 0, err = 1 - r;
    while (x >= y) {
      for (const auto &[dx, dy] : {std::pair{x, y}, std::pair{y, x}}) {
        square(cx + dx, cy + dy, brush, c);
        square(cx - dx, cy + dy, brush, c);
        square(cx + dx, cy - dy, brush, c);
        square(cx - dx, cy - dy, brush, c);
      }
      ++y;
      if (err < 0) {
        err += 2 * y + 1;
      } else {
        --x;
        err += 2 * (y - x) + 1;
      }
    }
  }

  // A line of the given width, antialiased by the share of each pixel it covers
  // across its main direction. Pixel (i, j) spans i +- 0.5, j +- 0.5.
  void smoothLine(QPointF a, QPointF b, double lineWidth, QRgb c) {
    const bool steep = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
    double u0 = steep ? a.y() : a.x(), v0 = steep ? a.x() : a.y();
    double u1 = steep ? b.y() : b.x(), v1 = steep ? b.x() : b.y();
    if (u1 < u0) {
      std::swap(u0, u1);
      std::swap(v0, v1);
    }
    const double slope = u1 > u0 ? (v1 - v0) / (u1 - u0) : 0;
    const double half = lineWidth / 2 * std::sqrt(1 + slope * slope);
    const int uLimit = steep ? height : width, vLimit = steep ? width : height;
    const int first = std::max(device(u0), 0), last = std::min(device(u1), uLimit - 1);
    for (int i = first; i <= last; ++i) {
      const double centre = v0 + (std::clamp(double(i), u0, u1) - u0) * slope;
      const double lo = centre - half, hi = centre + half;
      const int jFirst = std::max(device(lo), 0), jLast = std::min(device(hi), vLimit - 1);
      for (int j = jFirst; j <= jLast; ++j) {
        const double cover = std::min(hi, j + 0.5) - std::max(lo, j - 0.5);
        if (cover <= 0) continue;
        if (steep)
          blend(j, i, c, cover);
        else
          blend(i, j, c, cover);
      }
    }
  }

private:
  void put(int x, int y, QRgb c) {
    if (x >= 0 && y >= 0 && x < width && y < height) bits[qsizetype(y) * stride + x] = c;
  }

  void square(int x, int y, int side, QRgb c) {
    if (side == 1)
      put(x, y, c);
    else
      fill(x, y, side, side, c);
  }

  void blend(int x, int y, QRgb c, double cover) {
    const int alpha = cover >= 1 ? 256 : static_cast<int>(cover * 256);
    QRgb &d = bits[qsizetype(y) * stride + x];
    if (alpha >= 256) {
      d = c;
      return;
    }
    const auto mix = [alpha](int from, int to) { return from + (((to - from) * alpha) >> 8); };
    d = qRgb(mix(qRed(d), qRed(c)), mix(qGreen(d), qGreen(c)), mix(qBlue(d), qBlue(c)));
  }

  QRgb *bits;
  qsizetype stride;
  int width;
  int height;
};

}  // namespace

QtSurface::QtSurface(double widthTwips, double heightTwips, double twipsPerPixel, QColor background, QColor foreground,
                     QFont font, double devicePixelRatio)
    : SurfaceState(widthTwips, heightTwips),
      tpp(twipsPerPixel),
      ratio(std::isfinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1.0),
      back(background),
      fore(foreground),
      logicalSize(imageSide(widthTwips, twipsPerPixel), imageSide(heightTwips, twipsPerPixel)),
      img(std::max(devicePixel(logicalSize.width()), 1), std::max(devicePixel(logicalSize.height()), 1),
          QImage::Format_RGB32) {
  img.setDevicePixelRatio(ratio);
  const QFontMetricsF metrics(font);
  ownFont.font = std::move(font);
  ownFont.height = metrics.height();
  img.fill(back);
}

QtSurface::~QtSurface() = default;

QPainter &QtSurface::painter() {
  if (!activePainter) {
    activePainter = std::make_unique<QPainter>(&img);
    painterFont = nullptr;
    painterPen.reset();
    activePainter->setRenderHint(QPainter::TextAntialiasing, true);
    activePainter->setBrush(Qt::NoBrush);
  }
  return *activePainter;
}

QImage &QtSurface::pixels() {
  // A copy handed out by image() shares the buffer; writing detaches it, so a
  // painter still aimed at the shared buffer has to go first.
  if (!img.isDetached()) activePainter.reset();
  return img;
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

void QtSurface::usePen(const QColor &colour, int width) {
  QPainter &p = painter();
  if (!painterPen || painterPen->color() != colour || painterPen->width() != width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    painterPen = pen;
  }
}

int QtSurface::devicePixel(int pixel) const {
  return ratio == 1 ? pixel : static_cast<int>(std::floor(pixel * ratio + 0.5));
}

int QtSurface::brushSide() const { return std::max(1, static_cast<int>(std::lround(ratio))); }

int QtSurface::brushAt(int pixel) const {
  const int start = devicePixel(pixel);
  return start + (devicePixel(pixel + 1) - start - brushSide()) / 2;
}

QPointF QtSurface::toDevice(QPointF pixel) const {
  // Pixel (i, j) spans i +- 0.5, j +- 0.5 in both systems.
  const double shift = (ratio - 1) / 2;
  return {pixel.x() * ratio + shift, pixel.y() * ratio + shift};
}

void QtSurface::fillPixels(int left, int top, int width, int height, QRgb colour) {
  const int x = devicePixel(left), y = devicePixel(top);
  Pixels(pixels()).fill(x, y, devicePixel(left + width) - x, devicePixel(top + height) - y, colour);
}

void QtSurface::thinRun(bool horizontal, int at, int from, int to, QRgb colour) {
  const int across = brushAt(at), side = brushSide();
  const int start = devicePixel(from), length = devicePixel(to + 1) - start;
  if (horizontal)
    Pixels(pixels()).fill(start, across, length, side, colour);
  else
    Pixels(pixels()).fill(across, start, side, length, colour);
}

// A horizontal or vertical line between whole pixels, both end pixels drawn;
// wider than one pixel, it is the union of width x width squares along the way.
void QtSurface::crispLine(int x1, int y1, int x2, int y2, QRgb colour, int width) {
  const bool horizontal = y1 == y2;
  const int a = horizontal ? x1 : y1, b = horizontal ? x2 : y2;
  if (width == 1) {
    thinRun(horizontal, horizontal ? y1 : x1, std::min(a, b), std::max(a, b), colour);
    return;
  }
  const int half = width / 2;
  const int from = std::min(a, b) - half, to = std::max(a, b) + width - half - 1;
  if (horizontal)
    fillPixels(from, y1 - half, to - from + 1, width, colour);
  else
    fillPixels(x1 - half, from, width, to - from + 1, colour);
}

void QtSurface::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, bool box) {
  setCurrentX(x2);
  setCurrentY(y2);
  QPointF a = toPixel(x1, y1), b = toPixel(x2, y2);
  if (!finite(a) || !finite(b)) return;
  const QRgb c = colour ? toQColor(*colour).rgb() : fore.rgb();
  const int width = DrawWidth();

  if (box) {
    // The outline of the pixels from the first corner to the second, both included.
    const QPointF ca = clampFar(a), cb = clampFar(b);
    const int left = device(std::min(ca.x(), cb.x())), top = device(std::min(ca.y(), cb.y()));
    const int right = device(std::max(ca.x(), cb.x())), bottom = device(std::max(ca.y(), cb.y()));
    if (width == 1) {
      thinRun(true, top, left, right, c);
      thinRun(true, bottom, left, right, c);
      thinRun(false, left, top, bottom, c);
      thinRun(false, right, top, bottom, c);
      changed();
      return;
    }
    const int half = width / 2;
    fillPixels(left - half, top - half, right - left + width, width, c);
    fillPixels(left - half, bottom - half, right - left + width, width, c);
    fillPixels(left - half, top - half, width, bottom - top + width, c);
    fillPixels(right - half, top - half, width, bottom - top + width, c);
    changed();
    return;
  }

  if (!clipFar(a, b)) return;
  const int ax = device(a.x()), ay = device(a.y()), bx = device(b.x()), by = device(b.y());
  if (ax == bx || ay == by)
    crispLine(ax, ay, ax == bx ? ax : bx, ax == bx ? by : ay, c, width);
  else if (width == 1)
    Pixels(pixels()).thinLine(brushAt(ax), brushAt(ay), brushAt(bx), brushAt(by), c, brushSide());
  else
    Pixels(pixels()).smoothLine(toDevice(a), toDevice(b), width * ratio, c);
  changed();
}

void QtSurface::Circle(double x, double y, double radius) {
  const QPointF c = toPixel(x, y);
  const double r = std::abs(radius / ScaleWidth() * (Width() / tpp));
  if (!finite(c) || !std::isfinite(r) || !near(c) || r > kFar) return;
  if (DrawWidth() == 1) {
    Pixels(pixels()).thinCircle(brushAt(device(c.x())), brushAt(device(c.y())), device(r * ratio), fore.rgb(),
                                brushSide());
    changed();
    return;
  }
  QPainter &p = painter();
  usePen(fore, DrawWidth());
  // Pixel (i, j) is the square from (i, j) to (i + 1, j + 1) in Qt's coordinates.
  p.drawEllipse(QPointF(device(c.x()) + 0.5, device(c.y()) + 0.5), r, r);
  changed();
}

QtSurface::FontInfo &QtSurface::printFont() {
  const SurfaceFont &sel = selectedFont();
  if (sel.face.empty()) return ownFont;
  if (!cachedFor || cachedFor->face != sel.face || cachedFor->height != sel.height) {
    const QFont font = selectedQFont(sel, ownFont.font);
    const QFontMetricsF metrics(font);
    cachedFont.font = font;
    cachedFont.height = metrics.height();
    cachedFont.texts.clear();
    cachedFor = sel;
    if (painterFont == &cachedFont.font) painterFont = nullptr;
  }
  return cachedFont;
}

const QStaticText &QtSurface::laidOut(FontInfo &font, const std::string &text) {
  const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  auto it = font.texts.find(s);
  if (it == font.texts.end()) {
    if (font.texts.size() >= kMaxCachedTexts) font.texts.clear();
    QStaticText laid(s);
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    it = font.texts.insert(s, laid);
  }
  return *it;
}

void QtSurface::Print(const std::string &text) {
  FontInfo &font = printFont();
  const QPointF at = toPixel(CurrentX(), CurrentY());
  if (finite(at) && near(at) && !text.empty()) {
    QPainter &p = painter();
    if (painterFont != &font.font) {
      p.setFont(font.font);
      painterFont = &font.font;
    }
    usePen(fore, painterPen ? painterPen->width() : 1);
    const QStaticText &laid = laidOut(font, text);
    // The text's top-left corner sits on the pixel's top-left corner.
    const QPointF origin(device(at.x()), device(at.y()));
    const int escapement = selectedFont().escapement;
    if (escapement % 3600 == 0) {
      p.drawStaticText(origin, laid);
    } else {
      // Counter-clockwise on screen about the text's top-left corner.
      p.setTransform(QTransform::fromTranslate(origin.x(), origin.y()).rotate(-escapement / 10.0));
      p.drawStaticText(QPointF(0, 0), laid);
      p.resetTransform();
    }
    changed();
  }
  setCurrentX(ScaleLeft());
  setCurrentY(CurrentY() + font.height * tpp * ScaleHeight() / Height());
}

}  // namespace vesk
