#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/RecordingSurface.h"
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>
#include <QLocale>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace vesk {
namespace {

using test::RecordedOp;

struct StepCase {
  std::int16_t lo, hi;
  double step;
  std::int16_t first;
};

void PrintTo(const StepCase &c, std::ostream *os) { *os << c.lo << ".." << c.hi; }

class TickStepTable : public ::testing::TestWithParam<StepCase> {};

TEST_P(TickStepTable, GivesStepAndFirstTick) {
  const StepCase c = GetParam();
  double step = 0;
  std::int16_t first = 0;
  cVeskTestAccess::tickStep(c.lo, c.hi, step, first);
  EXPECT_DOUBLE_EQ(step, c.step) << c.lo << ".." << c.hi;
  EXPECT_EQ(first, c.first) << c.lo << ".." << c.hi;
}

INSTANTIATE_TEST_SUITE_P(
    TickStep, TickStepTable,
    ::testing::Values(StepCase{0, 37, 5, 0}, StepCase{3, 18, 2, 4}, StepCase{0, 100, 10, 0}, StepCase{0, 1, 0.1, 0},
                      StepCase{0, 60, 10, 0}, StepCase{0, 10, 1, 0}, StepCase{0, 11, 2, 0}, StepCase{0, 20, 2, 0},
                      StepCase{0, 21, 5, 0}, StepCase{0, 50, 5, 0}, StepCase{0, 51, 10, 0}, StepCase{0, 7, 1, 0},
                      StepCase{-7, 30, 5, -5}, StepCase{1990, 2000, 1, 1990}, StepCase{100, 101, 0.1, 100},
                      // equal limits tick one unit; reversed ones their span upward
                      StepCase{5, 5, 0.1, 5}, StepCase{18, 3, 2, 4}, StepCase{-32768, 32767, 10000, -30000},
                      StepCase{32767, -32768, 10000, -30000}, StepCase{32760, 32767, 1, 32760}));

// A recording surface that also keeps the coordinate system of every Line.
class ScaledRecorder : public test::RecordingSurface {
public:
  using RecordingSurface::RecordingSurface;
  struct Frame {
    double left, top, width, height;
  };
  std::vector<Frame> frames;
  void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, bool box) override {
    frames.push_back({ScaleLeft(), ScaleTop(), ScaleWidth(), ScaleHeight()});
    RecordingSurface::Line(x1, y1, x2, y2, colour, box);
  }
};

// The main window's surfaces at their places (twips within the client area).
struct Window {
  test::FakeMainForm main;
  cVesk v{main};
  ScaledRecorder p1{layout::graphArea.width, layout::graphArea.height}, p3{layout::xStrip.width, layout::xStrip.height},
      p2{layout::yStrip.width, layout::yStrip.height};
  GraphModel &model() { return cVeskTestAccess::model(v); }
  void limits(double xMin, double xMax, double yMin, double yMax) {
    model().xMin = xMin;
    model().xMax = xMax;
    model().yMin = yMin;
    model().yMax = yMax;
  }
  void refresh() { v.refresh(p1, p3, p2); }
};

std::vector<std::string> texts(const std::vector<RecordedOp> &ops) {
  std::vector<std::string> out;
  for (const auto &o : ops) out.push_back(o.text);
  return out;
}

// Tick labels without the titles (drawn in "Arial").
std::vector<std::string> tickLabels(const test::RecordingSurface &s) {
  std::vector<RecordedOp> prints;
  for (const auto &o : s.named("Print"))
    if (o.font.face.empty()) prints.push_back(o);
  return texts(prints);
}

std::string trimmed(std::string s) { return s.erase(0, s.find_first_not_of(' ')); }

struct LabelCase {
  double lo, hi;
  std::vector<std::string> labels;
};

void PrintTo(const LabelCase &c, std::ostream *os) { *os << c.lo << ".." << c.hi; }

class TickLabelTable : public ::testing::TestWithParam<LabelCase> {};

TEST_P(TickLabelTable, BothAxesShowTheseLabels) {
  const LabelCase c = GetParam();
  Window w;
  w.limits(c.lo, c.hi, c.lo, c.hi);
  w.refresh();
  EXPECT_EQ(tickLabels(w.p3), c.labels);
  std::vector<std::string> y = tickLabels(w.p2);
  for (auto &t : y) t = trimmed(t);
  EXPECT_EQ(y, c.labels);
  EXPECT_EQ(w.p3.named("Line").size(), c.labels.size());
  EXPECT_EQ(w.p2.named("Line").size(), c.labels.size());
}

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Ticks, TickLabelTable,
    ::testing::Values(
        LabelCase{0, 37, {"0", "5", "10", "15", "20", "25", "30", "35"}},
        // the integer ticks' 18 lies beyond the end and is left out
        LabelCase{3.3, 17.8, {"4", "6", "8", "10", "12", "14", "16"}},
        LabelCase{0, 100, {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}},
        LabelCase{0, 1, {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1"}},
        LabelCase{0, 60, {"0", "10", "20", "30", "40", "50", "60"}},
        // 12 * 0.1 lies a hair above 1.2: the last tick is kept
        LabelCase{0, 1.2, {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1", "1.1", "1.2"}},
        // within one unit: the step comes from the exact limits
        LabelCase{0.1, 0.4, {"0.1", "0.15", "0.2", "0.25", "0.3", "0.35", "0.4"}},
        LabelCase{-0.3, 0.3, {"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"}},
        LabelCase{0.3, 1.3, {"0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1", "1.1", "1.2", "1.3"}},
        LabelCase{-0.5, 0.5, {"-0.5", "-0.4", "-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3", "0.4", "0.5"}},
        // equal limits: one unit around the value
        LabelCase{5, 5, {"4.5", "4.6", "4.7", "4.8", "4.9", "5", "5.1", "5.2", "5.3", "5.4", "5.5"}},
        // reversed: the same ticks as the upright range
        LabelCase{37, 0, {"0", "5", "10", "15", "20", "25", "30", "35"}},
        LabelCase{-32768, 32767, {"-30000", "-20000", "-10000", "0", "10000", "20000", "30000"}},
        // limits beyond 16 bits, or integer ticks that leave an end of the axis
        // bare: the step and first tick come from the exact limits
        LabelCase{-40000, 40000, {"-40000", "-30000", "-20000", "-10000", "0", "10000", "20000", "30000", "40000"}},
        LabelCase{6.5, 8.5, {"6.6", "6.8", "7", "7.2", "7.4", "7.6", "7.8", "8", "8.2", "8.4"}},
        // refused: limits not finite
        LabelCase{nan, 10, {}}, LabelCase{0, inf, {}}, LabelCase{-inf, inf, {}}));

TEST(Ticks, NewEngineDrawsTicksAroundZeroAndBothTitles) {
  Window w;  // no load: empty titles, limits 0, no data sets
  w.refresh();
  EXPECT_EQ(tickLabels(w.p3).front(), "-0.5");
  EXPECT_EQ(tickLabels(w.p3).back(), "0.5");
  EXPECT_EQ(w.p3.named("Print").size(), 12u);  // 11 tick labels and the title
  EXPECT_EQ(w.p2.named("Print").size(), 12u);
  EXPECT_TRUE(w.p1.named("Line").empty());
}

std::vector<std::string> yLabels(double yMin, double yMax) {
  Window w;
  w.limits(0, 1, yMin, yMax);
  w.refresh();
  return tickLabels(w.p2);
}

TEST(Ticks, YLabelsArePaddedByTheirLength) {
  EXPECT_EQ(yLabels(0, 37),
            (std::vector<std::string>{"    0", "    5", "   10", "   15", "   20", "   25", "   30", "   35"}));
  EXPECT_EQ(yLabels(0.1, 0.14)[0], "  0.1");
  EXPECT_EQ(yLabels(0.1, 0.14)[1], "0.105");
  EXPECT_EQ(yLabels(1990, 2000)[0], " 1990");
  EXPECT_EQ(yLabels(-1000, -990)[0], "-1000");
}

TEST(Ticks, StripsAreLaidOutForTheMainWindow) {
  Window w;
  w.main.charWidth = 90;  // the window font's 6 pixels a digit
  w.limits(0, 37, 0, 37);
  w.model().xTitle = "Time (s)";
  w.refresh();
  for (size_t i = 0; i < w.p2.frames.size(); ++i) {
    const RecordedOp line = w.p2.named("Line")[i];
    EXPECT_DOUBLE_EQ(line.x1, 975);
    EXPECT_DOUBLE_EQ(line.x2, layout::yStrip.width);
    EXPECT_EQ(line.drawWidth, 1);
    EXPECT_FALSE(line.colour.has_value());
    EXPECT_DOUBLE_EQ(w.p2.named("Print")[i].x1, 475);
  }
  const auto xPrints = w.p3.named("Print");
  for (size_t i = 0; i + 1 < xPrints.size(); ++i) {
    EXPECT_DOUBLE_EQ(xPrints[i].y1, 200);
    // centred on the tick by the text's width in the window's font
    const double tick = w.p3.named("Line")[i].x1;
    EXPECT_DOUBLE_EQ(xPrints[i].x1,
                     tick - 90 * xPrints[i].text.size() * w.p3.frames[i].width / layout::xStrip.width / 2);
  }
  EXPECT_EQ(xPrints.back().text, "Time (s)");
  EXPECT_DOUBLE_EQ(xPrints.back().y1, 475);
  // centred on the graph area by its width in the label font (12 pixels: 120 twips a character)
  EXPECT_DOUBLE_EQ(xPrints.back().x1, 240 + (layout::graphArea.width - 8 * 120) / 2.0);
}

TEST(Ticks, DecimalSeparatorIsTheUsersOne) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Window w;
  w.limits(0, 1, 0, 1);
  w.refresh();
  QLocale::setDefault(saved);
  EXPECT_EQ(tickLabels(w.p3)[3], "0,3");
  EXPECT_EQ(tickLabels(w.p2)[3], "  0,3");
}

// Window position (twips) of a point of a recorded Line, from the system it was drawn in.
double windowRow(const ScaledRecorder::Frame &f, double y, double top, double height) {
  return top + (y - f.top) / f.height * height;
}
double windowColumn(const ScaledRecorder::Frame &f, double x, double left, double width) {
  return left + (x - f.left) / f.width * width;
}

// Every tick sits within a pixel of where its value is in the graph area.
void expectTicksMatchGraphArea(Window &w) {
  const ScaledRecorder::Frame graph{w.p1.ScaleLeft(), w.p1.ScaleTop(), w.p1.ScaleWidth(), w.p1.ScaleHeight()};
  const auto yLines = w.p2.named("Line"), xLines = w.p3.named("Line");
  const auto yLabels = tickLabels(w.p2), xLabels = tickLabels(w.p3);
  ASSERT_FALSE(yLines.empty());
  ASSERT_FALSE(xLines.empty());
  for (size_t i = 0; i < yLines.size(); ++i) {
    const double v = std::stod(yLabels[i]);
    EXPECT_NEAR(windowRow(w.p2.frames[i], yLines[i].y1, layout::yStrip.top, layout::yStrip.height),
                windowRow(graph, v, layout::graphArea.top, layout::graphArea.height), 15)
        << v;
  }
  for (size_t i = 0; i < xLines.size(); ++i) {
    const double v = std::stod(xLabels[i]);
    EXPECT_NEAR(windowColumn(w.p3.frames[i], xLines[i].x1, layout::xStrip.left, layout::xStrip.width),
                windowColumn(graph, v, layout::graphArea.left, layout::graphArea.width), 15)
        << v;
  }
}

class TickAlignment : public ::testing::TestWithParam<std::pair<double, double>> {};

TEST_P(TickAlignment, TickLiesOnTheRowAndColumnOfItsValue) {
  Window w;
  w.limits(GetParam().first, GetParam().second, GetParam().first, GetParam().second);
  w.refresh();
  expectTicksMatchGraphArea(w);
}

TEST_P(TickAlignment, ZoomedTickLiesOnTheRowAndColumnOfItsValue) {
  Window w;
  w.limits(-5000, 5000, -5000, 5000);
  auto [lo, hi] = GetParam();
  if (lo > hi) std::swap(lo, hi);  // a rectangle is always given from its upper left corner
  w.v.zoom(w.p1, w.p2, w.p3, lo, hi, hi, lo);
  expectTicksMatchGraphArea(w);
}

INSTANTIATE_TEST_SUITE_P(Ticks, TickAlignment,
                         ::testing::Values(std::pair{0.0, 37.0}, std::pair{-5.0, 5.0}, std::pair{1990.0, 2000.0},
                                           std::pair{100.0, 101.0}, std::pair{-1000.0, -990.0}, std::pair{3.3, 17.8},
                                           std::pair{0.1, 0.4}, std::pair{37.0, 0.0}, std::pair{-990.0, -1000.0}));

// Labels that fit keep their place; a y label too wide for the room before its
// tick ends 2 pixels (30 twips) short of it, within a pixel; an x label stays
// within the strip, whose right edge is the window's, and moved touches its edge.
TEST(Ticks, LabelsTooWideForTheirRoomMoveClearOfTickAndEdge) {
  Window w;
  w.main.charWidth = 90;
  w.limits(-100000, 100000, -10000, 30000);
  w.refresh();
  const double end = layout::yStrip.width - 150 - 30, place = layout::yStrip.width - 650;
  int moved = 0;
  for (const RecordedOp &label : w.p2.named("Print")) {
    const double right = label.x1 + 90.0 * label.text.size();
    if (!label.font.face.empty()) continue;
    EXPECT_TRUE(label.x1 == place ? right <= end : right <= end && right > end - 15) << label.text;
    moved += label.x1 != place;
  }
  const auto xPrints = w.p3.named("Print");
  for (size_t i = 0; i + 1 < xPrints.size(); ++i) {
    const double width = 90.0 * xPrints[i].text.size(), W3 = layout::xStrip.width;
    const double left = windowColumn(w.p3.frames[i], xPrints[i].x1, 0, W3);
    const double centred = windowColumn(w.p3.frames[i], w.p3.named("Line")[i].x1, 0, W3) - width / 2;
    const bool fits = centred >= 0 && centred + width <= W3;
    EXPECT_TRUE(fits ? std::abs(left - centred) < 1e-6 : left == 0 || left + width > W3 - 15) << xPrints[i].text;
    EXPECT_TRUE(left >= 0 && left + width <= W3) << xPrints[i].text;
    moved += !fits;
  }
  EXPECT_EQ(moved, 3) << "-10000 on y, -100000 and 100000 on x";
}

}  // namespace
}  // namespace vesk
