#include "surface/QtSurface.h"

#include "surface/InkMap.h"
#include "surface/QtCommon.h"

#include <QFontMetricsF>
#include <QPen>
#include <QTransform>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>
#include <vector>

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

// What a point must meet to stay in one pixel column: its products' origin
// and scales, the column, and how far from the column's middle a product may
// lie to be sure of its pixel; the other product stays within the near limit.
struct ColumnTest {
  double left, top, kx, ky, column, reach, nearLimit;
};

// The points from k on that meet the test, up to (not including) the index
// returned, with the lowest and highest y among them. Four at a time without
// branches between them, so that the loop keeps to the throughput of the
// arithmetic rather than the latency of the running extremes.
std::size_t columnStretch(const PointRun &run, std::size_t k, const ColumnTest t, double &lowest, double &highest) {
  const auto meets = [&t](double x, double y) {
    // Both tests always, with no branch between them.
    return (int(std::abs((x - t.left) * t.kx - t.column) < t.reach) & int(std::abs((y - t.top) * t.ky) < t.nearLimit)) != 0;
  };
  // By value, unlike std::min, so that they come out as single instructions.
  const auto lesser = [](double a, double b) { return b < a ? b : a; };
  const auto greater = [](double a, double b) { return a < b ? b : a; };
  double lo = lowest, hi = highest;
  std::size_t j = k;
#if defined(__SSE2__)
  // With y right after x, a point is one packed load. The points that meet
  // the test form an interval of x and one of y (the products rise or fall
  // with the values), so a block meets it when its lowest and highest x and y
  // do and none of its values is NaN.
  if (run.y == run.x + 1) {
    const auto *base = reinterpret_cast<const std::byte *>(run.x);
    const __m128d origin = _mm_set_pd(t.top, t.left), scale = _mm_set_pd(t.ky, t.kx);
    const __m128d centre = _mm_set_pd(0, t.column), limit = _mm_set_pd(t.nearLimit, t.reach);
    const __m128d sign = _mm_set1_pd(-0.0);
    __m128d least = _mm_set1_pd(lo), most = _mm_set1_pd(hi);
    const auto within = [&](__m128d p) {
      const __m128d v = _mm_sub_pd(_mm_mul_pd(_mm_sub_pd(p, origin), scale), centre);
      return _mm_cmplt_pd(_mm_andnot_pd(sign, v), limit);
    };
    const auto at = [&](std::size_t i) {
      return _mm_loadu_pd(reinterpret_cast<const double *>(base + i * run.stride));
    };
    for (; j + 8 <= run.count; j += 8) {
      const __m128d p0 = at(j), p1 = at(j + 1), p2 = at(j + 2), p3 = at(j + 3);
      const __m128d p4 = at(j + 4), p5 = at(j + 5), p6 = at(j + 6), p7 = at(j + 7);
      const __m128d nan = _mm_or_pd(_mm_or_pd(_mm_cmpunord_pd(p0, p1), _mm_cmpunord_pd(p2, p3)),
                                    _mm_or_pd(_mm_cmpunord_pd(p4, p5), _mm_cmpunord_pd(p6, p7)));
      const __m128d low = _mm_min_pd(_mm_min_pd(_mm_min_pd(p0, p1), _mm_min_pd(p2, p3)),
                                     _mm_min_pd(_mm_min_pd(p4, p5), _mm_min_pd(p6, p7)));
      const __m128d high = _mm_max_pd(_mm_max_pd(_mm_max_pd(p0, p1), _mm_max_pd(p2, p3)),
                                      _mm_max_pd(_mm_max_pd(p4, p5), _mm_max_pd(p6, p7)));
      const __m128d ok = _mm_andnot_pd(nan, _mm_and_pd(within(low), within(high)));
      if (_mm_movemask_pd(ok) != 3) break;
      least = _mm_min_pd(least, low);
      most = _mm_max_pd(most, high);
    }
    lo = _mm_cvtsd_f64(_mm_unpackhi_pd(least, least));
    hi = _mm_cvtsd_f64(_mm_unpackhi_pd(most, most));
  }
#endif
  for (; j + 4 <= run.count; j += 4) {
    const double y0 = run.yAt(j), y1 = run.yAt(j + 1), y2 = run.yAt(j + 2), y3 = run.yAt(j + 3);
    const bool all = (int(meets(run.xAt(j), y0)) & int(meets(run.xAt(j + 1), y1)) & int(meets(run.xAt(j + 2), y2)) &
                      int(meets(run.xAt(j + 3), y3))) != 0;
    if (!all) break;
    lo = lesser(lo, lesser(lesser(y0, y1), lesser(y2, y3)));
    hi = greater(hi, greater(greater(y0, y1), greater(y2, y3)));
  }
  for (; j < run.count; ++j) {
    const double y = run.yAt(j);
    if (!meets(run.xAt(j), y)) break;
    lo = lesser(lo, y);
    hi = greater(hi, y);
  }
  lowest = lo;
  highest = hi;
  return j;
}

int imageSide(double twips, double twipsPerPixel) {
  const double pixels = twips / twipsPerPixel;
  if (!(pixels >= 1)) return 1;
  return static_cast<int>(std::lround(std::min(pixels, 32767.0)));
}

// Writes straight into a 32-bit image, clipped to it: the lines of a redraw are
// far too many for QPainter's general path.
// Every write is noted in the ink map, when there is one.
class Pixels {
public:
  Pixels(QImage &img, InkMap *inkMap)
      : bits(reinterpret_cast<QRgb *>(img.bits())),
        stride(img.bytesPerLine() / 4),
        width(img.width()),
        height(img.height()),
        map(inkMap) {}

  void fill(int left, int top, int w, int h, QRgb c) {
    const int x0 = std::max(left, 0), x1 = std::min(left + w, width);
    const int y0 = std::max(top, 0), y1 = std::min(top + h, height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y) std::fill(bits + qsizetype(y) * stride + x0, bits + qsizetype(y) * stride + x1, c);
    if (map) map->setRect(x0, y0, x1 - 1, y1 - 1, c);
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

  // The pixels smoothLine may write, unclipped; a pixel more each way across
  // the line than its centres reach, for rounding.
  static QRect smoothBounds(QPointF a, QPointF b, double lineWidth) {
    const bool steep = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
    const double u0 = std::min(steep ? a.y() : a.x(), steep ? b.y() : b.x());
    const double u1 = std::max(steep ? a.y() : a.x(), steep ? b.y() : b.x());
    const double v0 = std::min(steep ? a.x() : a.y(), steep ? b.x() : b.y());
    const double v1 = std::max(steep ? a.x() : a.y(), steep ? b.x() : b.y());
    const double slope = u1 > u0 ? (v1 - v0) / (u1 - u0) : 0;
    const double half = lineWidth / 2 * std::sqrt(1 + slope * slope);
    const int uFirst = device(u0), uLast = device(u1);
    const int vFirst = device(v0 - half) - 1, vLast = device(v1 + half) + 1;
    return steep ? QRect(QPoint(vFirst, uFirst), QPoint(vLast, uLast))
                 : QRect(QPoint(uFirst, vFirst), QPoint(uLast, vLast));
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
    if (x >= 0 && y >= 0 && x < width && y < height) {
      bits[qsizetype(y) * stride + x] = c;
      if (map) map->set(x, y, c);
    }
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
    } else {
      const auto mix = [alpha](int from, int to) { return from + (((to - from) * alpha) >> 8); };
      d = qRgb(mix(qRed(d), qRed(c)), mix(qGreen(d), qGreen(c)), mix(qBlue(d), qBlue(c)));
    }
    if (map) map->set(x, y, d);
  }

  QRgb *bits;
  qsizetype stride;
  int width;
  int height;
  InkMap *map;
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

QtSurface::~QtSurface() { forgetPlans(); }

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

QtSurface::Mapping QtSurface::mapping() const {
  return {ScaleLeft(), ScaleTop(), ScaleWidth(), ScaleHeight(), Width(), Height()};
}

// The same steps as Mapping::at, so that a plan made from a mapping meets Line's pixels exactly.
QPointF QtSurface::toPixel(double x, double y) const {
  return {(x - ScaleLeft()) / ScaleWidth() * (Width() / tpp), (y - ScaleTop()) / ScaleHeight() * (Height() / tpp)};
}

void QtSurface::planPolylines(std::vector<PointRun> runs) {
  forgetPlans();
  if (runs.size() < 2) return;
  auto p = std::make_unique<Planned>();
  p->runs = std::move(runs);
  p->map = mapping();
  p->width = DrawWidth();
  std::vector<std::promise<PolylinePlan>> promises(p->runs.size());
  for (auto &promise : promises) p->plans.push_back(promise.get_future());
  // The first is left to Polyline, which would only wait for it here.
  p->next = 0;
  p->worker = std::thread([this, plan = p.get(), promises = std::move(promises)]() mutable {
    for (std::size_t i = 1; i < plan->runs.size() && !plan->stop; ++i) {
      try {
        promises[i].set_value(planPolyline(plan->runs[i], plan->map, plan->width));
      } catch (...) {
        promises[i].set_exception(std::current_exception());
      }
    }
  });
  planned = std::move(p);
}

void QtSurface::forgetPlans() {
  if (!planned) return;
  planned->stop = true;
  planned->worker.join();
  planned.reset();
}

QtSurface::PolylinePlan QtSurface::plannedFor(const PointRun &points, int width) {
  const Mapping now = mapping();
  if (planned && planned->next < planned->runs.size() && planned->width == width && planned->map == now) {
    const std::size_t i = planned->next++;
    const PointRun &run = planned->runs[i];
    if (i > 0 && run.x == points.x && run.y == points.y && run.count == points.count && run.stride == points.stride)
      return planned->plans[i].get();
  }
  return planPolyline(points, now, width);
}

void QtSurface::Cls() {
  activePainter.reset();
  img.fill(back);
  if (inkMap.valid()) inkMap.reset(img.width(), img.height(), inkMap.ink(), back.rgb() == inkMap.ink());
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
  Pixels(pixels(), liveMap()).fill(x, y, devicePixel(left + width) - x, devicePixel(top + height) - y, colour);
}

QRect QtSurface::thinRunRect(bool horizontal, int at, int from, int to) const {
  const int across = brushAt(at), side = brushSide();
  const int start = devicePixel(from), length = devicePixel(to + 1) - start;
  return horizontal ? QRect(start, across, length, side) : QRect(across, start, side, length);
}

void QtSurface::thinRun(bool horizontal, int at, int from, int to, QRgb colour) {
  const QRect r = thinRunRect(horizontal, at, from, to);
  Pixels(pixels(), liveMap()).fill(r.x(), r.y(), r.width(), r.height(), colour);
}

// A horizontal or vertical line between whole pixels, both end pixels drawn;
// wider than one pixel, it is the union of width x width squares along the way.
QRect QtSurface::crispRect(int x1, int y1, int x2, int y2, int width) {
  const int half = width / 2;
  const bool horizontal = y1 == y2;
  const int a = horizontal ? x1 : y1, b = horizontal ? x2 : y2;
  const int from = std::min(a, b) - half, to = std::max(a, b) + width - half - 1;
  if (horizontal) return QRect(from, y1 - half, to - from + 1, width);
  return QRect(x1 - half, from, width, to - from + 1);
}

QRect QtSurface::crispDeviceRect(int x1, int y1, int x2, int y2, int width) const {
  // One pixel wide it is brushSide() image pixels across, as thin runs are.
  if (width == 1) {
    const bool horizontal = y1 == y2;
    const int a = horizontal ? x1 : y1, b = horizontal ? x2 : y2;
    return thinRunRect(horizontal, horizontal ? y1 : x1, std::min(a, b), std::max(a, b));
  }
  return deviceRect(crispRect(x1, y1, x2, y2, width));
}

void QtSurface::crispLine(int x1, int y1, int x2, int y2, QRgb colour, int width) {
  const QRect r = crispDeviceRect(x1, y1, x2, y2, width);
  Pixels(pixels(), liveMap()).fill(r.x(), r.y(), r.width(), r.height(), colour);
}

QRect QtSurface::deviceRect(const QRect &r) const {
  const int left = devicePixel(r.left()), top = devicePixel(r.top());
  return QRect(left, top, devicePixel(r.left() + r.width()) - left, devicePixel(r.top() + r.height()) - top);
}

std::optional<QtSurface::Segment> QtSurface::plan(QPointF a, QPointF b, int width) const {
  // Ends within the far limits come out of clipping as they went in.
  if (!(near(a) && near(b)) && !clipFar(a, b)) return std::nullopt;
  Segment s;
  s.ax = device(a.x());
  s.ay = device(a.y());
  s.bx = device(b.x());
  s.by = device(b.y());
  if (s.ax == s.bx || s.ay == s.by) {
    s.kind = Segment::Kind::crisp;
    if (s.ax == s.bx)
      s.bx = s.ax;
    else
      s.by = s.ay;
    s.bounds = crispDeviceRect(s.ax, s.ay, s.bx, s.by, width);
  } else if (width == 1) {
    s.kind = Segment::Kind::thin;
    s.ax = brushAt(s.ax);
    s.ay = brushAt(s.ay);
    s.bx = brushAt(s.bx);
    s.by = brushAt(s.by);
    const int side = brushSide();
    s.bounds = QRect(QPoint(std::min(s.ax, s.bx), std::min(s.ay, s.by)),
                     QPoint(std::max(s.ax, s.bx) + side - 1, std::max(s.ay, s.by) + side - 1));
  } else {
    s.kind = Segment::Kind::smooth;
    s.a = toDevice(a);
    s.b = toDevice(b);
    s.bounds = Pixels::smoothBounds(s.a, s.b, width * ratio);
  }
  return s;
}

void QtSurface::draw(const Segment &s, QRgb c, int width) {
  switch (s.kind) {
    case Segment::Kind::crisp:
      crispLine(s.ax, s.ay, s.bx, s.by, c, width);
      break;
    case Segment::Kind::thin:
      Pixels(pixels(), liveMap()).thinLine(s.ax, s.ay, s.bx, s.by, c, brushSide());
      break;
    case Segment::Kind::smooth:
      Pixels(pixels(), liveMap()).smoothLine(s.a, s.b, width * ratio, c);
      break;
  }
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

  const std::optional<Segment> segment = plan(a, b, width);
  if (!segment) return;
  draw(*segment, c, width);
  changed();
}

QtSurface::PolylinePlan QtSurface::planPolyline(const PointRun &points, const Mapping &map, int width) const {
  // Line covers some pixels whole (level and upright segments; every segment
  // of a one-pixel pen) and blends the colour into others (slanted wide
  // segments). A pixel covered whole ends in the colour whatever else the
  // line does to it; the blends of any other pixel come in the order of the
  // segments. So the whole-pixel segments are drawn first, each run of them
  // along one column or row as a single fill, then the slanted ones in
  // order, where they reach a pixel that does not already hold the colour.
  const double kx = map.widthTwips / tpp / map.scaleWidth, ky = map.heightTwips / tpp / map.scaleHeight;
  const double left = map.left, top = map.top;
  // Within this, positions need no clipping (and products no exact check of their sign).
  constexpr double nearLimit = kFar / 2;
  // Line's whole pixel for a coordinate: the product is within far less than
  // this of Line's quotient, so only a product this close to a pixel's edge
  // needs the quotient.
  constexpr double edgeDoubt = 1e-7;
  struct Whole {
    int x = 0, y = 0;
    bool near = false;
    int outcode = 0;  // beyond which edges of the image, with room for the pen
  };
  const int w = logicalSize.width(), h = logicalSize.height();
  const int room = width + 2;
  // The sum is positive within the near limit, so that converting it rounds
  // it down, and it is within far less than edgeDoubt of the exact sum.
  constexpr double offset = 65536.5;
  // By value, so that the drawing's stores cannot be taken to change what the loops read.
  const PointRun pts = points;
  const std::size_t count = pts.count;
  // Line's whole pixel for a product within the near limit (fx) and the coordinate it came from (value).
  const auto pixelOf = [&](double f, double value, bool across) {
    const double r = f + offset;
    const int i = int(r);
    const double frac = r - i;
    if (frac > edgeDoubt && frac < 1 - edgeDoubt) return i - 65536;
    const QPointF exact = across ? map.at(left, value, tpp) : map.at(value, top, tpp);
    return device(across ? exact.y() : exact.x());
  };
  const auto whole = [&](std::size_t k) {
    Whole p;
    const double fx = (pts.xAt(k) - left) * kx, fy = (pts.yAt(k) - top) * ky;
    if (!(std::abs(fx) <= nearLimit && std::abs(fy) <= nearLimit)) return p;
    p.x = pixelOf(fx, pts.xAt(k), false);
    p.y = pixelOf(fy, pts.yAt(k), true);
    p.near = true;
    p.outcode = (p.x < -room ? 1 : 0) | (p.x > w + room ? 2 : 0) | (p.y < -room ? 4 : 0) | (p.y > h + room ? 8 : 0);
    return p;
  };

  PolylinePlan out;
  // A run of whole-pixel segments along one column (upright) or one row.
  struct Run {
    bool active = false, upright = false;
    int fixed = 0, from = 0, to = 0;
  } run;
  const auto flush = [&] {
    if (!run.active) return;
    run.active = false;
    const QRect r = run.upright ? crispDeviceRect(run.fixed, run.from, run.fixed, run.to, width)
                                : crispDeviceRect(run.from, run.fixed, run.to, run.fixed, width);
    out.fills.push_back(r);
  };

  // Past this many pixels from an edge, a product's pixel is beyond it whatever the rounding.
  constexpr double margin = 1;
  Whole prev = whole(0);
  // Where the last look along prev's column stopped: the point there needs no second look.
  std::size_t columnEnd = 0;
  for (std::size_t k = 1; k < count;) {
    // Most points of a dense line need no more than a cheap look: those that
    // stay beyond one edge of the image with the point before them, and those
    // that stay in its column, which only stretch that column's run.
    if (prev.near && prev.outcode) {
      const int edge = prev.outcode & -prev.outcode;
      const double limit = edge == 1   ? -room - margin
                           : edge == 2 ? w + room + margin
                           : edge == 4 ? -room - margin
                                       : h + room + margin;
      const bool across = edge >= 4, below = edge == 1 || edge == 4;
      std::size_t j = k;
      for (; j < count; ++j) {
        const double fx = (pts.xAt(j) - left) * kx, fy = (pts.yAt(j) - top) * ky;
        const double f = across ? fy : fx;
        if (!(std::abs(fx) <= nearLimit && std::abs(fy) <= nearLimit && (below ? f < limit : f > limit))) break;
      }
      if (j > k) {
        // Every segment up to point j - 1 lies wholly beyond that edge.
        flush();
        prev = whole(j - 1);
        k = j;
        continue;
      }
    }
    if (prev.near && k != columnEnd && std::abs(prev.x) < nearLimit - 1) {
      // A product this near the column's middle is that far from its edges,
      // and so is Line's quotient but for far less than edgeDoubt.
      double lo = std::numeric_limits<double>::infinity(), hi = -lo;
      const std::size_t j =
          columnStretch(pts, k, {left, top, kx, ky, double(prev.x), 0.5 - edgeDoubt, nearLimit}, lo, hi);
      columnEnd = j;
      if (j > k) {
        // Upright segments in prev's column: Line's pixels rise or fall with
        // the value, so the lowest and highest values give the run's ends.
        const int a = pixelOf((lo - top) * ky, lo, true), b = pixelOf((hi - top) * ky, hi, true);
        if (!(run.active && run.upright && run.fixed == prev.x)) {
          flush();
          run = {true, true, prev.x, prev.y, prev.y};
        }
        run.from = std::min({run.from, a, b});
        run.to = std::max({run.to, a, b});
        out.drawn = true;
        prev = whole(j - 1);
        k = j;
        continue;
      }
    }
    const Whole cur = whole(k);
    if (!prev.near || !cur.near) {
      flush();
      out.slanted.push_back(k - 1);
    } else if (prev.outcode & cur.outcode) {
      // Wholly beyond one edge of the image: nothing of it shows.
      flush();
    } else if (prev.x == cur.x || prev.y == cur.y) {
      const bool upright = prev.x == cur.x;
      const int fixed = upright ? cur.x : cur.y, along = upright ? cur.y : cur.x;
      if (run.active && run.upright == upright && run.fixed == fixed) {
        run.from = std::min(run.from, along);
        run.to = std::max(run.to, along);
      } else {
        flush();
        const int start = upright ? prev.y : prev.x;
        run = {true, upright, fixed, std::min(start, along), std::max(start, along)};
      }
      out.drawn = true;
    } else if (width == 1) {
      flush();
      out.thin.push_back({brushAt(prev.x), brushAt(prev.y), brushAt(cur.x), brushAt(cur.y)});
      out.drawn = true;
    } else {
      flush();
      out.slanted.push_back(k - 1);
    }
    prev = cur;
    ++k;
  }
  flush();
  return out;
}

void QtSurface::Polyline(const PointRun &points, Colour colour) {
  if (points.count < 2) return;
  const QRgb c = toQColor(colour).rgb();
  const QImage &image = pixels();
  if (!inkMap.valid() || inkMap.ink() != c) inkMap.rebuild(image, c);
  const int width = DrawWidth();
  const PolylinePlan whole = plannedFor(points, width);
  Pixels canvas(pixels(), liveMap());
  for (const QRect &r : whole.fills) canvas.fill(r.x(), r.y(), r.width(), r.height(), c);
  for (const auto &[x1, y1, x2, y2] : whole.thin) canvas.thinLine(x1, y1, x2, y2, c, brushSide());
  bool drawn = whole.drawn;

  for (const std::size_t k : whole.slanted) {
    const QPointF a = toPixel(points.xAt(k), points.yAt(k)), b = toPixel(points.xAt(k + 1), points.yAt(k + 1));
    if (!finite(a) || !finite(b)) continue;
    const std::optional<Segment> segment = plan(a, b, width);
    if (segment && !inkMap.allSet(segment->bounds)) {
      draw(*segment, c, width);
      drawn = true;
    }
  }
  setCurrentX(points.xAt(points.count - 1));
  setCurrentY(points.yAt(points.count - 1));
  if (drawn) changed();
}

std::optional<std::pair<int, int>> QtSurface::wholePixel(double x, double y) const {
  const QPointF p = toPixel(x, y);
  // Nearer than this, shapes are neither clipped nor clamped.
  if (!finite(p) || !(std::abs(p.x()) <= kFar / 2 && std::abs(p.y()) <= kFar / 2)) return std::nullopt;
  return std::pair{device(p.x()), device(p.y())};
}

void QtSurface::restore(const QImage &picture) {
  if (picture.size() != img.size()) return;
  activePainter.reset();
  img = picture;
  img.setDevicePixelRatio(ratio);
  inkMap.invalidate();
  changed();
}

void QtSurface::Circle(double x, double y, double radius) {
  const QPointF c = toPixel(x, y);
  const double r = std::abs(radius / ScaleWidth() * (Width() / tpp));
  if (!finite(c) || !std::isfinite(r) || !near(c) || r > kFar) return;
  if (DrawWidth() == 1) {
    Pixels(pixels(), liveMap())
        .thinCircle(brushAt(device(c.x())), brushAt(device(c.y())), device(r * ratio), fore.rgb(), brushSide());
    changed();
    return;
  }
  QPainter &p = painter();
  usePen(fore, DrawWidth());
  // Pixel (i, j) is the square from (i, j) to (i + 1, j + 1) in Qt's coordinates.
  p.drawEllipse(QPointF(device(c.x()) + 0.5, device(c.y()) + 0.5), r, r);
  const double reach = r + DrawWidth() + 2;
  inkMap.clear(deviceRect(QRect(QPoint(int(std::floor(c.x() - reach)), int(std::floor(c.y() - reach))),
                                QPoint(int(std::ceil(c.x() + reach)), int(std::ceil(c.y() + reach))))));
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
    // What the text may have covered, a few pixels more for glyphs that reach out of their box.
    const QRectF box = QTransform::fromTranslate(origin.x(), origin.y())
                           .rotate(-escapement / 10.0)
                           .mapRect(QRectF(QPointF(0, 0), laid.size()))
                           .adjusted(-4, -4, 4, 4);
    inkMap.clear(deviceRect(QRect(QPoint(int(std::floor(box.left())), int(std::floor(box.top()))),
                                  QPoint(int(std::ceil(box.right())), int(std::ceil(box.bottom()))))));
    changed();
  }
  setCurrentX(ScaleLeft());
  setCurrentY(CurrentY() + font.height * tpp * ScaleHeight() / Height());
}

}  // namespace vesk
