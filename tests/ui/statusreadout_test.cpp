#include "ui/StatusReadout.h"
#include "ui/ZoomHistory.h"

#include <gtest/gtest.h>

#include <limits>

namespace vesk {
namespace readout_test {

struct Formatted {
  double value, unitsPerPixel;
  const char *text;
};

class CoordinateText : public ::testing::TestWithParam<Formatted> {};

TEST_P(CoordinateText, HasTheDigitsThatTellNeighbouringPixelsApart) {
  const Formatted &c = GetParam();
  EXPECT_EQ(formatCoordinate(c.value, c.unitsPerPixel), c.text) << c.value << " per pixel " << c.unitsPerPixel;
}

INSTANTIATE_TEST_SUITE_P(
    Readout, CoordinateText,
    ::testing::Values(
        // 10 units over 640 pixels: neighbours differ in the second decimal.
        Formatted{3.25, 10.0 / 640, "3.25"}, Formatted{3.2500000001, 10.0 / 640, "3.25"},
        // On either side of a pixel span of 0.01, and a reversed axis.
        Formatted{3.25, 0.01, "3.25"}, Formatted{3.25, 0.00999, "3.250"}, Formatted{3.26, 0.1, "3.3"},
        Formatted{3.25, -10.0 / 640, "3.25"}, Formatted{1234.5678, 1, "1235"}, Formatted{1234.5678, 0.9, "1234.6"},
        Formatted{123456, 1000, "123456"},
        // Negative zero, and values that round to zero.
        Formatted{-0.004, 0.01, "0.00"}, Formatted{-0.006, 0.01, "-0.01"}, Formatted{-0.0, 0.5, "0.0"},
        Formatted{1e-9, 0.01, "0.00"}, Formatted{0.3, 100, "0"}, Formatted{-1e-16, 1e-15, "0"},
        // Huge and tiny magnitudes switch to the exponent form.
        Formatted{1.2345678e20, 1e17, "1.235E+20"}, Formatted{-1.2345678e20, 1e17, "-1.235E+20"},
        Formatted{999999999999999.0, 1, "999999999999999"}, Formatted{1e15, 1, "1.00000000000000E+15"},
        Formatted{1.23456e-9, 1e-12, "1.235E-09"}, Formatted{0.00123456, 1e-6, "0.001235"},
        // Never more digits than a double holds.
        Formatted{1e6 + 0.1, 1e-12, "1000000.10000000"}, Formatted{1.0 / 3, 1e-30, "0.333333333333333"},
        // Nothing to go by: the general format.
        Formatted{2.5, 0, "2.5"}, Formatted{2.5, std::numeric_limits<double>::infinity(), "2.5"}));

TEST(Readout, CountsWhatTheDrawingShowsWithGroupedThousands) {
  GraphModel m;
  EXPECT_EQ(countsText(m), "0 data sets, 0 points, 0 labels");
  m.dataSets.resize(GraphModel::maxDataSets);
  m.dataSets[0].points.resize(1);
  m.dataSets[0].pointCount = 1;
  m.dataSets[0].isLoaded = true;
  EXPECT_EQ(countsText(m), "1 data set, 1 point, 0 labels");
  for (std::size_t s = 1; s < 3; ++s) {
    m.dataSets[s].points.resize(1100);
    m.dataSets[s].pointCount = 1100;
    m.dataSets[s].isLoaded = true;
  }
  // Declared counts beyond what was read, and sets after the first one not loaded, count nothing.
  m.dataSets[2].pointCount = 1103;
  m.dataSets[2].labels.resize(1);
  m.dataSets[2].labelCount = 1;
  m.dataSets[4].points.resize(5);
  m.dataSets[4].pointCount = 5;
  m.dataSets[4].isLoaded = true;
  EXPECT_EQ(countsText(m), "3 data sets, 2,201 points, 1 label");
}

constexpr ViewRect full{0, 10, 10, 0}, a{2, 8, 6, 4}, b{3, 7, 5, 5}, c{1, 9, 3, 7};

struct Step {
  enum { show, back, forward, reset, replace } what;
  ViewRect view;  // for show and replace
  std::optional<ViewRect> current;
  bool moved;  // back or forward changed the view
  bool canBack, canForward;
};

TEST(ZoomHistory, StepsBackAndForwardThroughTheViewsAndResetEmptiesIt) {
  ZoomHistory h;
  const std::vector<Step> steps = {
      {Step::back, {}, std::nullopt, false, false, false},  // at the full view, nothing before it
      {Step::show, a, a, true, true, false},
      {Step::show, b, b, true, true, false},
      {Step::back, {}, a, true, true, true},
      {Step::back, {}, std::nullopt, true, false, true},
      {Step::forward, {}, a, true, true, true},
      {Step::show, c, c, true, true, false},  // a new view drops b, which lay ahead
      {Step::forward, {}, c, false, true, false},
      {Step::replace, b, b, true, true, false},  // a pan drag moves the view in place
      {Step::back, {}, a, true, true, true},
      {Step::reset, {}, std::nullopt, true, false, false},
      {Step::forward, {}, std::nullopt, false, false, false},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step &s = steps[i];
    bool moved = true;
    switch (s.what) {
      case Step::show: h.show(s.view); break;
      case Step::replace: h.replace(s.view); break;
      case Step::back: moved = h.back().has_value(); break;
      case Step::forward: moved = h.forward().has_value(); break;
      case Step::reset: h.reset(); break;
    }
    EXPECT_EQ(moved, s.moved) << "step " << i;
    EXPECT_EQ(h.current(), s.current) << "step " << i;
    EXPECT_EQ(h.canGoBack(), s.canBack) << "step " << i;
    EXPECT_EQ(h.canGoForward(), s.canForward) << "step " << i;
  }
  for (std::size_t i = 0; i < ZoomHistory::maxViews + 10; ++i) h.show(ViewRect{0, 1, double(i + 1), 0});
  std::size_t steps_back = 0;
  while (h.back()) ++steps_back;
  EXPECT_EQ(steps_back, ZoomHistory::maxViews - 1) << "the oldest views go, the full view stays";
  EXPECT_EQ(h.current(), std::nullopt);
}

TEST(ZoomHistory, ZoomAndPanKeepTheAxesDirectionAndThePointUnderThePointer) {
  for (const ViewRect &v : {full, ViewRect{10, 0, 0, 10}, ViewRect{4000, -1, 400, 1}}) {
    const double x = v.left + 0.3 * (v.right - v.left), y = v.top + 0.8 * (v.bottom - v.top);
    const ViewRect in = zoomedAbout(v, x, y, 1.25);
    EXPECT_DOUBLE_EQ(in.right - in.left, (v.right - v.left) / 1.25);
    EXPECT_DOUBLE_EQ(in.bottom - in.top, (v.bottom - v.top) / 1.25);
    // The point keeps its place on screen.
    EXPECT_NEAR((x - in.left) / (in.right - in.left), 0.3, 1e-12);
    EXPECT_NEAR((y - in.top) / (in.bottom - in.top), 0.8, 1e-12);
    const ViewRect out = zoomedAbout(in, x, y, 1 / 1.25);
    EXPECT_NEAR(out.left, v.left, 1e-9 * std::abs(v.right - v.left));
    const ViewRect moved = pannedBy(v, 0.1, -0.1);
    EXPECT_DOUBLE_EQ(moved.left, v.left + 0.1 * (v.right - v.left));
    EXPECT_DOUBLE_EQ(moved.right - moved.left, v.right - v.left);
    EXPECT_DOUBLE_EQ(moved.top, v.top - 0.1 * (v.bottom - v.top));
  }
  EXPECT_TRUE(usableView(full));
  EXPECT_TRUE(usableView({1e6, 1, 1e6 + 1e-3, 0}));
  EXPECT_FALSE(usableView({1e6, 1, 1e6 + 1e-9, 0})) << "pixels would repeat values";
  EXPECT_FALSE(usableView({0, 1, 0, 0}));
  EXPECT_FALSE(usableView({-1e308, 1, 1e308, 0})) << "the span overflows";
  EXPECT_FALSE(usableView({0, std::numeric_limits<double>::quiet_NaN(), 1, 0}));
}

}  // namespace readout_test
}  // namespace vesk
