#include "engine/Axes.h"
#include "engine/DrawingSupport.h"
#include "engine/DrawnMarkers.h"
#include "engine/NumberFormat.h"
#include "engine/Ticks.h"
#include "engine/cVesk.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vesk {

namespace {

using drawing::round32;
using drawing::usable;

// A label's angle as a font escapement; angles too large for 32 bits keep their direction.
std::int32_t escapementOf(double angle) {
  if (!std::isfinite(angle)) return 0;
  if (std::abs(angle) > 1e9) angle = std::fmod(angle, 3600.0);
  return round32(angle);
}

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

// A label's y raised by its text's height in the graph area's current scale,
// so that it keeps its distance on screen from its point in a zoomed view too.
double raisedY(const MainForm &main, const Surface &graph, const TextLabel &label) {
  const double height = main.TextHeight(label.text);
  double raise = height * -graph.ScaleHeight() / graph.Height();
  // On axes near the largest double the product overflows although the raise itself does not.
  if (!std::isfinite(raise)) raise = height / graph.Height() * -graph.ScaleHeight();
  return label.y + raise;
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

// Ends the surface's work ahead however the drawing ends, before the points can change.
class PlansForgetter {
public:
  explicit PlansForgetter(Surface &s) : surface(s) {}
  ~PlansForgetter() { surface.forgetPlans(); }
  PlansForgetter(const PlansForgetter &) = delete;
  PlansForgetter &operator=(const PlansForgetter &) = delete;

private:
  Surface &surface;
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
  drawing::FontSelection select(picture, drawing::labelFont(size, escapement, Main));
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

void cVesk::drawView(Surface &mainPicture, Surface &xPicture, Surface &yPicture, double xLo, double xHi, double yLo,
                     double yHi, bool zoomed, bool withLabels) {
  widenEqualLimits(xLo, xHi);
  widenEqualLimits(yLo, yHi);
  const double W1 = mainPicture.Width(), H1 = mainPicture.Height();
  const double W2 = yPicture.Width(), H2 = yPicture.Height();
  const double W3 = xPicture.Width(), H3 = xPicture.Height();
  const bool graphUsable = usable(mainPicture);

  // The strips' systems run at the graph area's scale, counted from its
  // limits, so that a tick lines up with the same value in the graph area.
  const std::int32_t size = round32(Main.DefaultFontSize());
  YLabels yLabels{W2, {}};
  const AxisTicks yTicks = graphUsable && usable(yPicture) ? planTicks(yLo, yHi, tickStep) : AxisTicks{};
  if (!yTicks.values.empty())
    yLabels = drawYTicks(Main, yPicture, yTicks, yLo, yHi, H1,
                         zoomed ? placement::yLabelLeftZoomed : placement::yLabelLeft, yTitleRoom(Main, m.yTitle, size));
  const AxisTicks xTicks = graphUsable && usable(xPicture) ? planTicks(xLo, xHi, tickStep) : AxisTicks{};
  if (!xTicks.values.empty()) drawXTicks(Main, xPicture, xTicks, xLo, xHi, W1);

  yPicture.Scale(0, 0, W2, H2);
  xPicture.Scale(0, 0, W3, H3);
  drawTitles(Main, yPicture, xPicture, yTitleWith(m.yTitle, yLabels), m.xTitle, size, yLabels.inkLeft, W1, H1);

  // Without a finite extent the graph area has no coordinates to draw the data in.
  if (!graphUsable || !std::isfinite(xHi - xLo) || !std::isfinite(yHi - yLo)) return;
  mainPicture.Scale(xLo, yHi, xHi, yLo);

  const std::size_t sets = std::min<std::size_t>(m.dataSets.size(), GraphModel::maxDataSets);
  const auto pointsOf = [](const DataSet &set) {
    return std::min<std::size_t>(std::max<int>(set.pointCount, 0), set.points.size());
  };
  // The lines' runs of points, so that the surface can work on the next while it draws one.
  if (!plainDrawing) {
    std::vector<PointRun> runs;
    for (std::size_t j = 0; j < sets && m.dataSets[j].isLoaded; ++j) {
      const DataSet &set = m.dataSets[j];
      if (set.markerStyle <= 0 && pointsOf(set) > 1)
        runs.push_back({&set.points[0].x, &set.points[0].y, pointsOf(set), sizeof(DataPoint)});
    }
    mainPicture.planPolylines(std::move(runs));
  }
  PlansForgetter forget(mainPicture);
  for (std::size_t j = 0; j < sets; ++j) {
    const DataSet &set = m.dataSets[j];
    if (!set.isLoaded) break;
    const std::size_t points = pointsOf(set);
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
        const double y = raisedY(Main, mainPicture, label);
        if (std::isfinite(y)) drawText(mainPicture, escapementOf(label.angle), size, label.text, label.x, y);
      }
    }
  }
}

}  // namespace vesk
