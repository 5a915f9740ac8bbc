#include "engine/NumberFormat.h"
#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/RecordingSurface.h"
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vesk {
namespace {

using test::RecordedOp;

// Records every Line and Print with its place in twips from the surface's top-left corner.
class TwipsRecorder : public test::RecordingSurface {
public:
  using RecordingSurface::RecordingSurface;
  struct Placed {
    std::string name, text;
    double x, y;  // twips
    bool title;   // printed in a font of the caller's
  };
  std::vector<Placed> placed;

  void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, bool box) override {
    placed.push_back({"Line", {}, twipsX(x1), twipsY(y1), false});
    RecordingSurface::Line(x1, y1, x2, y2, colour, box);
  }
  void Print(const std::string &text) override {
    placed.push_back({"Print", text, twipsX(CurrentX()), twipsY(CurrentY()), !selectedFont().face.empty()});
    RecordingSurface::Print(text);
  }
  std::vector<Placed> labels() const {
    std::vector<Placed> out;
    for (const auto &p : placed)
      if (p.name == "Print" && !p.title) out.push_back(p);
    return out;
  }
  std::size_t ticks() const {
    std::size_t n = 0;
    for (const auto &p : placed) n += p.name == "Line";
    return n;
  }
  Placed title() const {
    for (const auto &p : placed)
      if (p.title) return p;
    return {};
  }

private:
  double twipsX(double x) const { return (x - ScaleLeft()) / ScaleWidth() * Width(); }
  double twipsY(double y) const { return (y - ScaleTop()) / ScaleHeight() * Height(); }
};

struct AxesWindow {
  test::FakeMainForm main;
  cVesk v{main};
  test::RecordingSurface p1{layout::graphArea.width, layout::graphArea.height};
  TwipsRecorder p3{layout::xStrip.width, layout::xStrip.height}, p2{layout::yStrip.width, layout::yStrip.height};
  AxesWindow() {
    main.charWidth = 90;  // the window font's 6 pixels a digit
    GraphModel &m = cVeskTestAccess::model(v);
    m.xTitle = "Time (s)";
    m.yTitle = "Voltage (V)";
    m.xMax = m.yMax = 1;
  }
  GraphModel &model() { return cVeskTestAccess::model(v); }
  void refresh() { v.refresh(p1, p3, p2); }
};

std::string withoutPadding(std::string s) { return s.erase(0, s.find_first_not_of(' ')); }

struct AxisCase {
  char axis;
  double lo, hi;
  std::vector<std::string> labels;
  std::size_t ticks;
  double charWidth = 90;
};

void PrintTo(const AxisCase &c, std::ostream *os) { *os << c.axis << ' ' << c.lo << ".." << c.hi; }

class AxisTable : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AxisTable, DrawsTheseTicksAndLabels) {
  const AxisCase c = GetParam();
  AxesWindow w;
  w.main.charWidth = c.charWidth;
  if (c.axis == 'x') {
    w.model().xMin = c.lo;
    w.model().xMax = c.hi;
  } else {
    w.model().yMin = c.lo;
    w.model().yMax = c.hi;
  }
  w.refresh();
  const TwipsRecorder &strip = c.axis == 'x' ? w.p3 : w.p2;
  std::vector<std::string> labels;
  for (const auto &p : strip.labels()) labels.push_back(withoutPadding(p.text));
  EXPECT_EQ(labels, c.labels);
  EXPECT_EQ(strip.ticks(), c.ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Axes, AxisTable,
    ::testing::Values(
        // no tick beyond an end, and no label moved in from one
        AxisCase{'x', -180, 180, {"-150", "-100", "-50", "0", "50", "100", "150"}, 7},
        AxisCase{'x', 1, 37, {"5", "10", "15", "20", "25", "30", "35"}, 7},
        AxisCase{'y', 37, 1, {"5", "10", "15", "20", "25", "30", "35"}, 7},
        // the integer ticks start a step short of -1.2: their step 0.2 is kept
        AxisCase{'x',
                 -1.2,
                 1.2,
                 {"-1.2", "-1", "-0.8", "-0.6", "-0.4", "-0.2", "0", "0.2", "0.4", "0.6", "0.8", "1", "1.2"},
                 13},
        AxisCase{'y', 6.5, 8.5, {"6.6", "6.8", "7", "7.2", "7.4", "7.6", "7.8", "8", "8.2", "8.4"}, 10},
        // too wide for the room before the y title: exponent form, one digit each
        AxisCase{'y', -3.5e9, 3.5e9, {"-3E+09", "-2E+09", "-1E+09", "0E+00", "1E+09", "2E+09", "3E+09"}, 7},
        // x labels running together: exponent form, two digits on every label
        AxisCase{'x',
                 0,
                 5e12,
                 {"0.0E+00", "5.0E+11", "1.0E+12", "1.5E+12", "2.0E+12", "2.5E+12", "3.0E+12", "3.5E+12", "4.0E+12",
                  "4.5E+12", "5.0E+12"},
                 11},
        // no shorter form: every second tick keeps its label
        AxisCase{'x',
                 1700000000,
                 1700010000,
                 {"1700000000", "1700002000", "1700004000", "1700006000", "1700008000", "1700010000"},
                 11},
        AxisCase{'x',
                 -1e300,
                 1e300,
                 {"-1E+300", "-8E+299", "-6E+299", "-4E+299", "-2E+299", "0", "2E+299", "4E+299", "6E+299", "8E+299",
                  "1E+300"},
                 11},
        // wider: the end labels, moved inward, come within a character of their neighbours
        AxisCase{'x', -1e300, 1e300, {"-8E+299", "-4E+299", "0", "4E+299", "8E+299"}, 11, 105},
        AxisCase{'y',
                 -1e300,
                 1e300,
                 {"-1E+300", "-8E+299", "-6E+299", "-4E+299", "-2E+299", "0", "2E+299", "4E+299", "6E+299", "8E+299",
                  "1E+300"},
                 11},
        // no shorter form on the y axis: differences from the value the title names
        AxisCase{'y', 1e14, 1e14 + 10, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, 11},
        AxisCase{'y',
                 1700000500,
                 1700010500,
                 {"1000", "2000", "3000", "4000", "5000", "6000", "7000", "8000", "9000", "10000"},
                 10},
        AxisCase{'y',
                 -1700010000,
                 -1700000000,
                 {"-10000", "-9000", "-8000", "-7000", "-6000", "-5000", "-4000", "-3000", "-2000", "-1000", "0"},
                 11},
        // the lower end's tick is kept though its quotient by the step rounds above it
        AxisCase{'y', 6.5000001, 6.5000009, {"1E-07", "2E-07", "3E-07", "4E-07", "5E-07", "6E-07", "7E-07", "8E-07", "9E-07"}, 9}));

// The title says what the labels count from, and only when they do.
TEST(Axes, YTitleNamesTheOffsetOfTheLabels) {
  struct Case {
    std::string title;
    double lo, hi;
    std::string drawn;
  };
  for (const Case &c : {Case{"Counter", 1e14, 1e14 + 10, "Counter - 1E+14"},
                        Case{"Unix time (s)", 1700000500, 1700010500, "Unix time (s) - 1.7E+09"},
                        Case{"Depth", -1700010000, -1700000000, "Depth + 1.7E+09"},
                        Case{"Depth", -1700000000, -1699999990, "Depth + 1.7E+09"},
                        Case{"Counter", 1699999995, 1700000005, "Counter - 1.7E+09"},
                        Case{"pH", 6.5000001, 6.5000009, "pH - 6.5"},
                        Case{"", 1e14, 1e14 + 10, "y - 1E+14"},
                        Case{"Voltage", -3.5e9, 3.5e9, "Voltage"},
                        Case{"Voltage", 0, 37, "Voltage"}}) {
    AxesWindow w;
    w.model().yTitle = c.title;
    w.model().yMin = c.lo;
    w.model().yMax = c.hi;
    w.refresh();
    EXPECT_EQ(w.p2.title().text, c.drawn) << c.lo << ".." << c.hi;
  }
}

struct HardRange {
  double xLo, xHi, yLo, yHi;
};

void PrintTo(const HardRange &r, std::ostream *os) {
  *os << r.xLo << ".." << r.xHi << " by " << r.yLo << ".." << r.yHi;
}

class HardRanges : public ::testing::TestWithParam<HardRange> {};

// Every label lies whole inside its strip: y labels between the y title and
// their ticks, x labels a character apart from each other and above the x title.
TEST_P(HardRanges, LabelsAreWholeAndClearOfEachOtherAndTheTitles) {
  AxesWindow w;
  w.model().xMin = GetParam().xLo;
  w.model().xMax = GetParam().xHi;
  w.model().yMin = GetParam().yLo;
  w.model().yMax = GetParam().yHi;
  w.refresh();
  const double W2 = layout::yStrip.width, H2 = layout::yStrip.height, W3 = layout::xStrip.width;
  const auto y = w.p2.labels(), x = w.p3.labels();
  ASSERT_GE(y.size(), 2u);
  ASSERT_GE(x.size(), 2u);
  // The title's 12-pixel font is 204 twips high (FakeMainForm).
  const double titleRight = w.p2.title().x + 204;
  EXPECT_GE(w.p2.title().x, 0);
  for (const auto &p : y) {
    const double inkLeft = p.x + 90.0 * double(p.text.size() - withoutPadding(p.text).size());
    EXPECT_GT(inkLeft, titleRight) << p.text;
    EXPECT_LE(p.x + 90.0 * double(p.text.size()), W2 - 150) << p.text;
    EXPECT_GE(p.y, 0) << p.text;
    EXPECT_LE(p.y + 195, H2) << p.text;
  }
  for (std::size_t i = 1; i < y.size(); ++i) EXPECT_GE(std::abs(y[i].y - y[i - 1].y), 195) << y[i].text;
  for (std::size_t i = 0; i < x.size(); ++i) {
    EXPECT_GE(x[i].x, 0) << x[i].text;
    EXPECT_LE(x[i].x + 90.0 * double(x[i].text.size()), W3) << x[i].text;
    if (i > 0) {
      EXPECT_GE(x[i].x - (x[i - 1].x + 90.0 * double(x[i - 1].text.size())), 90) << x[i].text;
    }
    EXPECT_LE(x[i].y + 195, w.p3.title().y) << x[i].text;
  }
}

INSTANTIATE_TEST_SUITE_P(Axes, HardRanges,
                         ::testing::Values(HardRange{0, 5e12, -3.5e9, 3.5e9}, HardRange{-3.5e9, 3.5e9, 0, 5e12},
                                           HardRange{1.7e9, 1.70001e9, -140, 0}, HardRange{6.5, 8.5, 6.5, 8.5},
                                           HardRange{-140, 0, -140, 0},
                                           HardRange{123456789012345, 123456789012399, 6.5, 8.5},
                                           HardRange{0, 1, 1e14, 1e14 + 10}, HardRange{0, 1, 1.7e9, 1.70001e9},
                                           HardRange{0, 1, -1.70001e9, -1.7e9},
                                           HardRange{-0.000123, 0.000456, -0.000123, 0.000456}));

class TitleSizes : public ::testing::TestWithParam<double> {};

// Measured in the label font (FakeMainForm: a character is 10 twips per pixel
// of height wide), at every size: the window's font would put them off centre.
TEST_P(TitleSizes, TitlesAreCentredOnTheGraphAreaAndWhole) {
  AxesWindow w;
  w.main.defaultFontSize = GetParam();
  w.model().xTitle = "Wavelength of the emitted light (nm)";
  w.refresh();
  const double pixels = std::round(GetParam() * 20 / 15);
  const auto x = w.p3.title(), y = w.p2.title();
  const double xWidth = pixels * 10 * 36, yWidth = pixels * 10 * 11, yHeight = pixels * 17;
  // The graph area starts 240 twips into the x strip and 120 twips below the y strip's top.
  EXPECT_NEAR(x.x + xWidth / 2, 240 + layout::graphArea.width / 2, 1e-6);
  EXPECT_NEAR(y.y - yWidth / 2, 120 + layout::graphArea.height / 2, 1e-6);
  EXPECT_LE(x.y + yHeight, layout::xStrip.height);
  EXPECT_GE(x.y, 0);
  EXPECT_GE(y.x, 0);
  // Clear of the y labels' ink.
  for (const auto &label : w.p2.labels())
    EXPECT_LE(y.x + yHeight, label.x + 90.0 * double(label.text.size() - withoutPadding(label.text).size()));
}

INSTANTIATE_TEST_SUITE_P(Axes, TitleSizes, ::testing::Values(9.0, 14.0, 24.0));

struct ExponentCase {
  std::vector<double> values;
  std::vector<std::string> texts;
};

class ExponentForm : public ::testing::TestWithParam<ExponentCase> {};

TEST_P(ExponentForm, GivesEveryValueTheSameDigits) {
  const ExponentCase c = GetParam();
  const int digits = exponentDigits(c.values);
  std::vector<std::string> texts;
  for (double v : c.values) texts.push_back(formatExponent(v, digits));
  EXPECT_EQ(texts, c.texts);
}

INSTANTIATE_TEST_SUITE_P(Axes, ExponentForm,
                         ::testing::Values(ExponentCase{{-3.5e9, 0, 3.5e9}, {"-3.5E+09", "0.0E+00", "3.5E+09"}},
                                           ExponentCase{{-3e9, 1e9}, {"-3E+09", "1E+09"}},
                                           ExponentCase{{1700000000, 1700001000}, {"1.700000E+09", "1.700001E+09"}},
                                           ExponentCase{{0.000125, -0.0005}, {"1.25E-04", "-5.00E-04"}},
                                           ExponentCase{{1e300}, {"1E+300"}},
                                           // 0.1 + 0.2 is not 0.3, but reads so in 15 digits
                                           ExponentCase{{0.1 + 0.2}, {"3E-01"}}));

// A reversed axis (an IR spectrum from 4000 down to 400, a depth from 0 down
// to 100) is zoomed from the rectangle's upper left corner on screen, which
// has the larger x and the smaller y value, and stays reversed.
TEST(Axes, ZoomOfReversedAxesKeepsTheirDirection) {
  AxesWindow w;
  w.model().xMin = 4000;
  w.model().xMax = 400;
  w.model().yMin = 100;
  w.model().yMax = 0;
  w.v.zoom(w.p1, w.p2, w.p3, 2800, 20, 1200, 60);
  EXPECT_TRUE(w.main.messages.empty());
  EXPECT_EQ(w.p1.ScaleLeft(), 2800);
  EXPECT_EQ(w.p1.ScaleWidth(), -1600);
  EXPECT_EQ(w.p1.ScaleTop(), 20);
  EXPECT_EQ(w.p1.ScaleHeight(), 40);
  // The larger x at the left, the smaller y at the top.
  const auto at = [](const std::vector<TwipsRecorder::Placed> &labels, const std::string &text) {
    for (const auto &p : labels)
      if (withoutPadding(p.text) == text) return p;
    ADD_FAILURE() << "no label " << text;
    return TwipsRecorder::Placed{};
  };
  EXPECT_LT(at(w.p3.labels(), "2800").x, at(w.p3.labels(), "1200").x);
  EXPECT_LT(at(w.p2.labels(), "20").y, at(w.p2.labels(), "60").y);
  // The corners the other way round are refused.
  AxesWindow wrong;
  wrong.model() = w.model();
  wrong.v.zoom(wrong.p1, wrong.p2, wrong.p3, 1200, 60, 2800, 20);
  EXPECT_EQ(wrong.main.messages.size(), 1u);
}

// The text-height raise is taken in the view's own scale: 195 twips above the
// point in the full view and in a zoomed one alike.
TEST(Axes, LabelKeepsItsScreenOffsetFromItsPointWhenZoomed) {
  AxesWindow w;
  w.model().xMax = 14;
  w.model().yMin = 0;
  w.model().yMax = 14;
  w.model().dataSets.resize(GraphModel::maxDataSets);
  DataSet &set = w.model().dataSets[0];
  TextLabel label;
  label.text = "pH 7.05";
  label.x = 5;
  label.y = 7.05;
  set.labels = {label};
  set.labelCount = 1;
  set.isLoaded = true;
  const auto offsetTwips = [&] {
    const RecordedOp print = w.p1.named("Print").at(0);
    return (print.y1 - label.y) / -w.p1.ScaleHeight() * layout::graphArea.height;
  };
  w.refresh();
  EXPECT_NEAR(offsetTwips(), 195, 1e-6);
  w.p1.ops.clear();
  w.v.zoom(w.p1, w.p2, w.p3, 4, 7.5, 6, 6.5);
  EXPECT_NEAR(offsetTwips(), 195, 1e-6);
}

}  // namespace
}  // namespace vesk
