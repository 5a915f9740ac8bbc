#include "engine/DrawnMarkers.h"
#include "engine/NumberFormat.h"
#include "engine/cVesk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vesk {

namespace {

using TickStepFn = void (*)(std::int16_t, std::int16_t, double &, std::int16_t &);

// An axis with more ticks than this gets none.
constexpr int kMaxTicks = 1000;
// A tick counts as within the range when it passes the far limit by no more than
// this share of the range: 12 * 0.1 is slightly above 1.2.
constexpr double kRangeTolerance = 1e-9;

bool fitsInt16(double v) { return v >= -32768.0 && v <= 32767.0; }

// Round to the nearest integer, ties to even, into 32 bits; NaN gives 0 and
// values beyond the range the nearest end of it.
std::int32_t round32(double v) {
  if (std::isnan(v)) return 0;
  v = std::nearbyint(v);
  if (v <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (v >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

// A label's angle as a font escapement; angles too large for 32 bits keep their direction.
std::int32_t escapementOf(double angle) {
  if (!std::isfinite(angle)) return 0;
  if (std::abs(angle) > 1e9) angle = std::fmod(angle, 3600.0);
  return round32(angle);
}

// The step for a tenth d of the range: d's leading digits rounded up to 1, 2, 5 or 10.
// A d that is not a positive finite number (a tenth of the tiniest range is 0) gives 0: no step.
double niceStep(double d) {
  if (!std::isfinite(d) || !(d > 0)) return 0;
  int n = 0;
  if (d > 1) {
    while (std::abs(d) >= 10) {
      d /= 10;
      ++n;
    }
  } else {
    while (std::abs(d) <= 1) {
      d *= 10;
      --n;
    }
  }
  const double g = std::floor(d + 0.9999999);
  double m = d;
  if (g == 2)
    m = 2;
  else if (g >= 3 && g <= 5)
    m = 5;
  else if (g >= 6)
    m = 10;
  // Dividing by an exact power of ten keeps steps such as 0.1 and 0.05 exact to the last bit.
  return n >= 0 ? m * std::pow(10.0, n) : m / std::pow(10.0, -n);
}

// The ticks of one axis: the values first + i * step for i below count.
struct AxisTicks {
  int count = 0;  // 0: the axis gets no ticks
  double step = 0;
  double first = 0;
  bool byIndex = false;  // the values are (first + i) * step, first counting steps

  double value(int i) const {
    const double v = byIndex ? (first + i) * step : first + i * step;
    // Sums that should give 0 come out as tiny leftovers such as 5.55E-17.
    return std::abs(v) < step * kRangeTolerance ? 0.0 : v;
  }
};

// The limits an axis is drawn with: equal limits are widened to one unit around
// their value (a little more where one unit is lost in the value's precision).
void widenEqualLimits(double &lo, double &hi) {
  if (lo != hi || !std::isfinite(lo)) return;
  double half = 0.5;
  if (lo - half == lo) half = std::abs(lo) * 1e-9;
  if (std::isfinite(lo - half) && std::isfinite(hi + half)) {
    lo -= half;
    hi += half;
  }
}

// True when the ticks within the axis [lower, upper] start less than one step
// above its lower limit and end less than one step below its upper limit.
bool coversAxis(const AxisTicks &t, double lower, double upper, double tolerance) {
  bool any = false;
  double firstIn = 0, lastIn = 0;
  for (int i = 0; i < t.count; ++i) {
    const double v = t.value(i);
    if (v < lower - tolerance || v > upper + tolerance) continue;
    if (!any) firstIn = v;
    lastIn = v;
    any = true;
  }
  return any && firstIn - lower < t.step - tolerance && upper - lastIn < t.step - tolerance;
}

// Ticks for an axis from lo to hi (hi may lie below lo: the axis is then ticked
// over the same span upward from the lower of the two). The step and first
// tick come from the limits rounded to integers, and the ticks are counted over
// the exact span, as long as the rounded limits fit 16 bits and the ticks so
// found run from end to end of the axis. Otherwise (and for a range of one unit
// or less, or one whose limits round to the same integer) the step and first
// tick come from the exact limits, so that every finite axis is ticked from end
// to end. Non-finite limits and more than kMaxTicks ticks give none.
AxisTicks planTicks(double lo, double hi, TickStepFn integerStep) {
  const double span = std::abs(hi - lo);
  if (!std::isfinite(span) || !(span > 0)) return {};
  const double lower = std::min(lo, hi), upper = std::max(lo, hi);
  const double tolerance = span * kRangeTolerance;
  const double roundedLo = std::nearbyint(lo), roundedHi = std::nearbyint(hi);

  if (roundedLo != roundedHi && span > 1 && fitsInt16(roundedLo) && fitsInt16(roundedHi)) {
    AxisTicks t;
    std::int16_t first = 0;
    integerStep(static_cast<std::int16_t>(roundedLo), static_cast<std::int16_t>(roundedHi), t.step, first);
    t.first = first;
    if (t.step > 0 && span / t.step <= kMaxTicks) {
      // Counted over the span, so the last tick may pass the upper limit.
      t.count = 1;  // the first tick is always drawn
      while (t.count * t.step <= span + tolerance) ++t.count;
      if (coversAxis(t, lower, upper, tolerance)) return t;
    }
  }

  AxisTicks t;
  t.step = niceStep(span / 10);
  if (!(t.step > 0) || span / t.step > kMaxTicks) return {};
  t.first = std::ceil(lower / t.step - kRangeTolerance);
  t.byIndex = true;
  // These stay within the limits.
  const double limit = upper - t.first * t.step + tolerance;
  t.count = 1;
  while (t.count * t.step <= limit) ++t.count;
  return t;
}

// The screen's twips per pixel, 15 when the window gives no usable figure.
double twipsPerPixel(const MainForm &main) {
  const double tpp = main.TwipsPerPixelY();
  return std::isfinite(tpp) && tpp > 0 ? tpp : 15;
}

bool usable(const Surface &s) {
  return std::isfinite(s.Width()) && std::isfinite(s.Height()) && s.Width() > 0 && s.Height() > 0;
}

// The y labels are padded in front so that short numbers line up on the right.
std::string padded(std::string text) {
  std::size_t chars = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
  if (chars < 5) text.insert(0, 5 - chars, ' ');
  return text;
}

// Puts the surface's pen width back however the drawing ends.
class DrawWidthRestorer {
public:
  explicit DrawWidthRestorer(Surface &s) : surface(s), saved(s.DrawWidth()) {}
  ~DrawWidthRestorer() { surface.setDrawWidth(saved); }
  DrawWidthRestorer(const DrawWidthRestorer &) = delete;
  DrawWidthRestorer &operator=(const DrawWidthRestorer &) = delete;

private:
  Surface &surface;
  std::int32_t saved;
};

// Selects a font for the lifetime of the object.
class FontSelection {
public:
  FontSelection(Surface &s, const SurfaceFont &font) : surface(s), previous(s.SelectFont(font)) {}
  ~FontSelection() { surface.SelectFont(previous); }
  FontSelection(const FontSelection &) = delete;
  FontSelection &operator=(const FontSelection &) = delete;

private:
  Surface &surface;
  SurfaceFont previous;
};

}  // namespace

void cVesk::tickStep(std::int16_t lo, std::int16_t hi, double &step, std::int16_t &first) {
  // The difference is taken in 32 bits and as a span, so that the full 16-bit
  // range and reversed limits get a positive step; equal limits tick one unit.
  const int span = std::abs(int(hi) - int(lo));
  step = niceStep(span == 0 ? 0.1 : span / 10.0);
  const double lower = std::min(lo, hi);
  const double value = std::nearbyint(std::floor(lower / step + 0.99999) * step);
  first = static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
}

void cVesk::drawMarker(Surface &picture, std::int16_t style, double x, double y) {
  DrawWidthRestorer restore(picture);
  picture.setDrawWidth(1);
  const double rx = 150 * picture.ScaleWidth() / picture.Width();
  const double ry = 150 * picture.ScaleHeight() / picture.Height();
  if (!std::isfinite(rx) || !std::isfinite(ry)) return;
  const double hx = rx / 2, hy = ry / 2;

  switch (style) {
    case 1:
      picture.Line(x - hx, y + hy, x + hx, y - hy);
      picture.Line(x + hx, y + hy, x - hx, y - hy);
      break;
    case 2:
      picture.Line(x, y + hy, x, y - hy);
      picture.Line(x - hx, y, x + hx, y);
      break;
    case 3:
    case 13:
      picture.Line(x - hx, y + hy, x + hx, y + hy);
      picture.Line(x - hx, y + hy, x, y - hy);
      picture.Line(x + hx, y + hy, x, y - hy);
      break;
    case 4:
    case 14:
      picture.Line(x - hx, y - hy, x + hx, y - hy);
      picture.Line(x - hx, y - hy, x, y + hy);
      picture.Line(x + hx, y - hy, x, y + hy);
      break;
    case 5:
    case 15:
      picture.Line(x - hx, y + hy, x + hx, y - hy, std::nullopt, true);
      break;
    case 6:
    case 16:
      picture.Line(x, y - hy, x - hx, y);
      picture.Line(x, y + hy, x + hx, y);
      picture.Line(x, y - hy, x + hx, y);
      picture.Line(x, y + hy, x - hx, y);
      break;
    case 8:
    case 18:
      picture.Circle(x, y, hx);
      break;
    default:
      break;
  }
}

void cVesk::drawText(Surface &picture, std::int32_t escapement, std::int32_t size, const std::string &text, double x,
                     double y) {
  // The font height is a 16-bit product of the size and -20: sizes are held to
  // 0 (the default height) up to 1638 points, the largest it can take.
  const int size16 = std::clamp(size, 0, 1638);
  SurfaceFont font;
  font.face = "Arial";
  font.height = round32(size16 * -20 / twipsPerPixel(Main));
  font.escapement = escapement;

  FontSelection select(picture, font);
  // Upward text is moved left by its height, so that x marks its right-hand edge.
  if (escapement == 900) x -= Main.TextHeight(text) * picture.ScaleWidth() / picture.Width();
  picture.setCurrentX(x);
  picture.setCurrentY(y);
  picture.Print(text);
}

void cVesk::refresh(Surface &mainPicture, Surface &xPicture, Surface &yPicture) {
  mainPicture.Cls();
  xPicture.Cls();
  yPicture.Cls();
  drawView(mainPicture, xPicture, yPicture, m.xMin, m.xMax, m.yMin, m.yMax, false, !Main.NoLables());
}

void cVesk::zoom(Surface &mainPicture, Surface &yPicture, Surface &xPicture, double startX, double startY, double endX,
                 double endY, bool withLabels) {
  mainPicture.Cls();
  yPicture.Cls();
  xPicture.Cls();
  // The start corner is the one at the screen's upper left, which on a
  // reversed axis holds the larger x or the smaller y.
  const bool xReversed = m.xMin > m.xMax, yReversed = m.yMin > m.yMax;
  if ((xReversed ? startX < endX : startX > endX) || (yReversed ? endY < startY : endY > startY)) {
    Main.messageBox("Please start box in the upper left corner of the area you want to zoom.", "Error");
    refresh(mainPicture, xPicture, yPicture);
    return;
  }
  // The band from the rectangle's lower edge up to its upper edge, shown like yMin to yMax.
  drawView(mainPicture, xPicture, yPicture, startX, endX, endY, startY, true, withLabels);
}

// Where drawView places text, in twips, as the window's layout has it.
namespace placement {
constexpr double yLabelLeft = 650;        // a y tick label's left edge, from the strip's right edge
constexpr double yLabelLeftZoomed = 620;  // the same in the zoomed view
constexpr double yLabelRaise = 75;        // a y tick label's top, above its tick
constexpr double xLabelTop = 200;         // an x tick label's top, from the strip's top
constexpr double xTitleRaise = 380;       // the x title's top, above the strip's bottom
constexpr double yTitleLeft = 300;        // the y title's left edge, from the strip's left edge
constexpr double yTitleLeftZoomed = 100;  // the same in the zoomed view
constexpr std::int32_t upward = 900;      // the y title's escapement: upward text
}  // namespace placement

void cVesk::drawView(Surface &mainPicture, Surface &xPicture, Surface &yPicture, double xLo, double xHi, double yLo,
                     double yHi, bool zoomed, bool withLabels) {
  widenEqualLimits(xLo, xHi);
  widenEqualLimits(yLo, yHi);
  const double W1 = mainPicture.Width(), H1 = mainPicture.Height();
  const double W2 = yPicture.Width(), H2 = yPicture.Height();
  const double W3 = xPicture.Width(), H3 = xPicture.Height();
  const bool graphUsable = usable(mainPicture);

  const double tpp = twipsPerPixel(Main);

  // The strips' systems run at the graph area's scale from the lower limit, so
  // that a tick's value lines up with the same value in the graph area.
  const AxisTicks yTicks = graphUsable && usable(yPicture) ? planTicks(yLo, yHi, tickStep) : AxisTicks{};
  if (yTicks.count > 0) {
    yPicture.Scale(0, yLo, W2, yLo + (yHi - yLo) * H2 / H1);
    const double SH = yPicture.ScaleHeight();
    const double labelOffset = zoomed ? placement::yLabelLeftZoomed : placement::yLabelLeft;
    // The strip's top lies 125 twips above the graph area's; the window puts
    // both on whole pixels (120 twips apart at 15 twips per pixel), and the
    // tick goes that whole number of pixels down, onto the row of its value.
    const double rowOffset = std::nearbyint(125 / tpp) * tpp;
    const double tickLeft = W2 - 150;
    // The ink of a label ends at least this far before its tick.
    const double labelEnd = tickLeft - 2 * tpp;
    for (int i = 0; i < yTicks.count; ++i) {
      const double v = yTicks.value(i);
      // v mirrored into the strip's downward system, below the graph area's row for v.
      const double ty = yLo + yHi - v + rowOffset * SH / H2;
      yPicture.Line(tickLeft, ty, W2, ty);
      yPicture.setCurrentX(yPicture.CurrentX() - labelOffset);
      const std::string text = padded(formatGeneral(v));
      // A label too wide for the room moves left, to a whole pixel so that
      // rounding cannot bring it back towards the tick.
      const double width = Main.TextWidth(text);
      if (yPicture.CurrentX() + width > labelEnd) yPicture.setCurrentX(std::floor((labelEnd - width) / tpp) * tpp);
      yPicture.setCurrentY(ty - placement::yLabelRaise * SH / H2);
      yPicture.Print(text);
    }
  }

  const AxisTicks xTicks = graphUsable && usable(xPicture) ? planTicks(xLo, xHi, tickStep) : AxisTicks{};
  if (xTicks.count > 0) {
    xPicture.Scale(xLo, 0, xLo + (xHi - xLo) * W3 / W1, H3);
    const double SW = xPicture.ScaleWidth();
    for (int i = 0; i < xTicks.count; ++i) {
      const double v = xTicks.value(i);
      // The strip starts 240 twips left of the graph area.
      const double tx = 240 * SW / W3 + v;
      xPicture.Line(tx, 0, tx, 150);
      xPicture.setCurrentY(placement::xLabelTop);
      const std::string text = formatGeneral(v);
      const double width = Main.TextWidth(text);
      double x = tx - width * (SW / W3) / 2;
      // A label that would cross an edge of the strip (the right one is the
      // window's) moves inward to end at it, on a whole pixel.
      const double left = (x - xLo) / SW * W3;
      double inside = left;
      if (inside + width > W3) inside = std::floor((W3 - width) / tpp) * tpp;
      if (inside < 0) inside = 0;
      if (inside != left) x = xLo + inside * SW / W3;
      xPicture.setCurrentX(x);
      xPicture.Print(text);
    }
  }

  yPicture.Scale(0, 0, W2, H2);
  xPicture.Scale(0, 0, W3, H3);
  const std::int32_t size = round32(Main.DefaultFontSize());
  if (usable(yPicture)) {
    const double w = Main.TextWidth(m.yTitle);
    drawText(yPicture, placement::upward, size, m.yTitle, zoomed ? placement::yTitleLeftZoomed : placement::yTitleLeft,
             (H2 + w) / 2);
  }
  if (usable(xPicture)) {
    const double w = Main.TextWidth(m.xTitle);
    drawText(xPicture, 0, size, m.xTitle, (W3 - w) / 2, H3 - placement::xTitleRaise);
  }

  // Without a finite extent the graph area has no coordinates to draw the data in.
  if (!graphUsable || !std::isfinite(xHi - xLo) || !std::isfinite(yHi - yLo)) return;
  mainPicture.Scale(xLo, yHi, xHi, yLo);

  const std::size_t sets = std::min<std::size_t>(m.dataSets.size(), GraphModel::maxDataSets);
  for (std::size_t j = 0; j < sets; ++j) {
    const DataSet &set = m.dataSets[j];
    if (!set.isLoaded) break;
    const std::size_t points = std::min<std::size_t>(std::max<int>(set.pointCount, 0), set.points.size());
    if (set.markerStyle > 0) {
      // The half sizes drawMarker gives the marks.
      const double hx = 150 * mainPicture.ScaleWidth() / mainPicture.Width() / 2;
      const double hy = 150 * mainPicture.ScaleHeight() / mainPicture.Height() / 2;
      DrawnMarkers drawn;
      for (std::size_t k = 0; k < points; ++k) {
        const DataPoint &p = set.points[k];
        if (plainDrawing || drawn.first(mainPicture, set.markerStyle, p.x, p.y, hx, hy))
          drawMarker(mainPicture, set.markerStyle, p.x, p.y);
      }
    } else if (plainDrawing) {
      for (std::size_t k = 0; k + 1 < points; ++k) {
        const DataPoint &a = set.points[k], &b = set.points[k + 1];
        mainPicture.Line(a.x, a.y, b.x, b.y, Colour{0});
      }
    } else if (points > 0) {
      mainPicture.Polyline({&set.points[0].x, &set.points[0].y, points, sizeof(DataPoint)}, Colour{0});
    }
    if (withLabels) {
      const std::size_t labels = std::min<std::size_t>(std::max<int>(set.labelCount, 0), set.labels.size());
      for (std::size_t k = 0; k < labels; ++k) {
        const TextLabel &label = set.labels[k];
        drawText(mainPicture, escapementOf(label.angle), size, label.text, label.x, label.y);
      }
    }
  }
}

}  // namespace vesk
