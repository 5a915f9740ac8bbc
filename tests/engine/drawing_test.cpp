#include "engine/cVesk.h"
#include "surface/QtSurface.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Pixels.h"
#include "tests/support/RecordingSurface.h"
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>
#include <QApplication>

#include <cmath>
#include <limits>
#include <sstream>

namespace vesk {
namespace {

using test::RecordedOp;
using test::RecordingSurface;

// "Line 4.5 4.5 5.5 5.5" and the like, for compact comparisons.
std::vector<std::string> shapes(const RecordingSurface &s) {
  std::vector<std::string> out;
  for (const auto &o : s.ops) {
    std::ostringstream line;
    line << o.name << ' ' << o.x1 << ' ' << o.y1 << ' ' << o.x2;
    if (o.name != "Circle") line << ' ' << o.y2;
    out.push_back(line.str());
  }
  return out;
}

struct MarkerCase {
  std::int16_t style;
  std::vector<std::string> shapes;
};

void PrintTo(const MarkerCase &c, std::ostream *os) { *os << "style " << c.style; }

class MarkerStyles : public ::testing::TestWithParam<MarkerCase> {};

RecordingSurface markerOn(std::int16_t style, int drawWidth) {
  test::FakeMainForm main;
  cVesk v(main);
  RecordingSurface s(1500, 1500);
  s.Scale(0, 10, 10, 0);  // 150 twips are one unit
  s.setDrawWidth(drawWidth);
  cVeskTestAccess::drawMarker(v, s, style, 5, 5);
  return s;
}

TEST_P(MarkerStyles, DrawsTheseShapesOnePixelWideAndRestoresThePen) {
  const RecordingSurface s = markerOn(GetParam().style, 2);
  EXPECT_EQ(shapes(s), GetParam().shapes);
  for (const auto &o : s.ops) EXPECT_EQ(o.drawWidth, 1);
  EXPECT_EQ(s.DrawWidth(), 2);
}

TEST(DrawMarker, StylesFrom13DrawWhatTheirTwinBelow11Draws) {
  for (std::int16_t style : {3, 4, 5, 6, 8}) {
    EXPECT_EQ(shapes(markerOn(std::int16_t(style + 10), 1)), shapes(markerOn(style, 1))) << style;
    EXPECT_FALSE(shapes(markerOn(style, 1)).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    DrawMarker, MarkerStyles,
    ::testing::Values(MarkerCase{1, {"Line 4.5 4.5 5.5 5.5", "Line 5.5 4.5 4.5 5.5"}},
                      MarkerCase{2, {"Line 5 4.5 5 5.5", "Line 4.5 5 5.5 5"}},
                      MarkerCase{3, {"Line 4.5 4.5 5.5 4.5", "Line 4.5 4.5 5 5.5", "Line 5.5 4.5 5 5.5"}},
                      MarkerCase{4, {"Line 4.5 5.5 5.5 5.5", "Line 4.5 5.5 5 4.5", "Line 5.5 5.5 5 4.5"}},
                      MarkerCase{5, {"Box 4.5 4.5 5.5 5.5"}},
                      MarkerCase{6, {"Line 5 5.5 4.5 5", "Line 5 4.5 5.5 5", "Line 5 5.5 5.5 5", "Line 5 4.5 4.5 5"}},
                      MarkerCase{7, {}}, MarkerCase{8, {"Circle 5 5 0.5"}}, MarkerCase{9, {}}, MarkerCase{10, {}},
                      MarkerCase{11, {}}, MarkerCase{12, {}}, MarkerCase{17, {}}, MarkerCase{19, {}}, MarkerCase{0, {}},
                      MarkerCase{-1, {}}, MarkerCase{20, {}}, MarkerCase{32767, {}}, MarkerCase{-32768, {}}));

// The apex of style 3 stays above its base on screen whichever way the y axis runs.
TEST(DrawMarker, TrianglesKeepTheirOrientationOnScreen) {
  test::FakeMainForm main;
  cVesk v(main);
  for (bool upward : {true, false}) {
    for (std::int16_t style : {3, 4}) {
      RecordingSurface s(1500, 1500);
      if (upward)
        s.Scale(0, 10, 10, 0);
      else
        s.Scale(0, 0, 10, 10);
      cVeskTestAccess::drawMarker(v, s, style, 5, 5);
      const RecordedOp base = s.ops[0], side = s.ops[1];
      const double baseRow = (base.y1 - s.ScaleTop()) / s.ScaleHeight();
      const double apexRow = (side.y2 - s.ScaleTop()) / s.ScaleHeight();
      if (style == 3)
        EXPECT_LT(apexRow, baseRow) << "upward " << upward;
      else
        EXPECT_GT(apexRow, baseRow) << "upward " << upward;
    }
  }
}

TEST(DrawMarker, Is150TwipsAcrossWhateverTheRange) {
  test::FakeMainForm main;
  cVesk v(main);
  for (double range : {1e-9, 1.0, 37.0, 1e9, -500.0}) {
    RecordingSurface s(layout::graphArea.width, layout::graphArea.height);
    s.Scale(0, range, range, 0);
    cVeskTestAccess::drawMarker(v, s, 5, range / 2, range / 2);
    const RecordedOp box = s.ops.at(0);
    EXPECT_NEAR(std::abs(box.x2 - box.x1) / std::abs(s.ScaleWidth()) * layout::graphArea.width, 150, 1e-6) << range;
    EXPECT_NEAR(std::abs(box.y2 - box.y1) / std::abs(s.ScaleHeight()) * layout::graphArea.height, 150, 1e-6) << range;
  }
}

TEST(DrawMarker, SurfaceOfZeroSizeGetsNothingAndKeepsItsPen) {
  test::FakeMainForm main;
  cVesk v(main);
  RecordingSurface s(0, 0);
  s.setDrawWidth(3);
  cVeskTestAccess::drawMarker(v, s, 1, 0, 0);
  EXPECT_TRUE(s.ops.empty());
  EXPECT_EQ(s.DrawWidth(), 3);
}

using test::painted;

// Every marker spans its point's pixel and 5 pixels each side (150 twips
// between its outer pixels' centres), mirrors about its point (triangles left
// to right only) and closes where its segments meet; at a device pixel ratio
// of 2 the same on twice the image pixels.
TEST(DrawMarker, IsClosedAndSymmetricAboutItsPixel) {
  test::FakeMainForm main;
  cVesk v(main);
  for (int r : {1, 2}) {
    for (std::int16_t style : {1, 2, 3, 4, 5, 6, 8}) {
      QtSurface s(layout::graphArea.width, layout::graphArea.height, 15, Qt::white, Qt::black, QApplication::font(), r);
      s.Scale(0, 37, 37, 0);
      cVeskTestAccess::drawMarker(v, s, style, 12.3, 20.1);
      const QPointF at = s.toPixel(12.3, 20.1);
      const QRect box(int(std::lround(at.x()) - 5) * r, int(std::lround(at.y()) - 5) * r, 11 * r, 11 * r);
      const QImage shape = s.image().copy(box);
      const auto ink = [&](int x, int y) { return shape.pixelColor(x * r, y * r) != Qt::white; };
      SCOPED_TRACE(testing::Message() << "style " << style << " ratio " << r);
      EXPECT_EQ(painted(s.image()), box);
      EXPECT_EQ(shape.mirrored(true, false), shape);
      EXPECT_TRUE(style == 3 || style == 4 || shape.mirrored(false, true) == shape);
      // The apexes and corners where segments meet are there.
      EXPECT_TRUE(style <= 2 || (ink(5, 0) && ink(5, 10)));
      EXPECT_TRUE(style <= 4 || (ink(0, 5) && ink(10, 5)));
    }
  }
}

TEST(DrawText, SelectsArialAtThePixelHeightAndRestoresTheFont) {
  test::FakeMainForm main;
  cVesk v(main);
  RecordingSurface s(1500, 1500);
  SurfaceFont own;
  own.face = "Own";
  own.height = -7;
  s.SelectFont(own);
  cVeskTestAccess::drawText(v, s, 450, 9, "Peak", 100, 200);
  ASSERT_EQ(s.ops.size(), 1u);
  SurfaceFont expected;
  expected.face = "Arial";
  expected.height = -12;
  expected.escapement = 450;
  EXPECT_EQ(s.ops[0].font, expected);
  EXPECT_EQ(s.ops[0].text, "Peak");
  EXPECT_EQ(s.selectedFont(), own);
}

struct SizeCase {
  std::int32_t size;
  int height;
};

class FontSizes : public ::testing::TestWithParam<SizeCase> {};

// Sizes are held between 0 (the surface's default height) and 1638 points.
TEST_P(FontSizes, GiveThisPixelHeight) {
  test::FakeMainForm main;
  cVesk v(main);
  RecordingSurface s(1500, 1500);
  cVeskTestAccess::drawText(v, s, 0, GetParam().size, "x", 0, 0);
  EXPECT_EQ(s.ops.at(0).font.height, GetParam().height) << GetParam().size;
}

INSTANTIATE_TEST_SUITE_P(DrawText, FontSizes,
                         ::testing::Values(SizeCase{9, -12}, SizeCase{12, -16}, SizeCase{1, -1}, SizeCase{0, 0},
                                           SizeCase{1638, -2184}, SizeCase{1639, -2184}, SizeCase{100000, -2184},
                                           SizeCase{std::numeric_limits<std::int32_t>::max(), -2184}, SizeCase{-5, 0},
                                           SizeCase{std::numeric_limits<std::int32_t>::min(), 0}));

TEST(DrawText, OnlyUpwardTextIsShiftedLeftByItsHeight) {
  test::FakeMainForm main;
  cVesk v(main);
  for (std::int32_t escapement : {0, 450, 900, 2700, -900, 1800}) {
    RecordingSurface s(layout::graphArea.width, layout::graphArea.height);
    s.Scale(0, 10, 37, 0);
    cVeskTestAccess::drawText(v, s, escapement, 9, "Peak", 20, 5);
    const double shift = escapement == 900 ? 195 * 37 / layout::graphArea.width : 0;
    EXPECT_DOUBLE_EQ(s.ops.at(0).x1, 20 - shift) << escapement;
    EXPECT_DOUBLE_EQ(s.ops.at(0).y1, 5) << escapement;
  }
}

TEST(DrawText, UpwardTextEndsAtItsXOnScreen) {
  test::FakeMainForm main;
  main.textHeight = QFontMetricsF(QFont("Arial")).height() * 15;
  cVesk v(main);
  QtSurface s(layout::graphArea.width, layout::graphArea.height, 15, Qt::white, Qt::black, QApplication::font());
  cVeskTestAccess::drawText(v, s, 900, 12, "Upward", 3000, 4500);
  const QRect box = painted(s.image());
  ASSERT_FALSE(box.isEmpty());
  EXPECT_NEAR(box.right() + 1, 200, 4);  // x = 3000 twips
  EXPECT_LE(box.bottom(), 300);          // read upward from y = 4500 twips
  EXPECT_GT(box.height(), 2 * box.width());
}

TEST(DrawText, FollowingPrintUsesTheSurfacesOwnFont) {
  test::FakeMainForm main;
  cVesk v(main);
  QtSurface plain(layout::yStrip.width, layout::yStrip.height, 15, Qt::white, Qt::black, QApplication::font());
  QtSurface after(layout::yStrip.width, layout::yStrip.height, 15, Qt::white, Qt::black, QApplication::font());
  cVeskTestAccess::drawText(v, after, 900, 30, "Title", 300, 6000);
  after.Cls();
  for (QtSurface *s : {&plain, &after}) {
    s->setCurrentX(475);
    s->setCurrentY(1000);
    s->Print("   35");
  }
  EXPECT_EQ(plain.image(), after.image());
}

struct Graph {
  test::FakeMainForm main;
  cVesk v{main};
  RecordingSurface p1{layout::graphArea.width, layout::graphArea.height},
      p3{layout::xStrip.width, layout::xStrip.height}, p2{layout::yStrip.width, layout::yStrip.height};
  Graph() {
    GraphModel &m = cVeskTestAccess::model(v);
    m.xMax = 10;
    m.yMin = -5;
    m.yMax = 5;
    m.dataSets.resize(GraphModel::maxDataSets);
    p1.setDrawWidth(2);
  }
  DataSet &set(int i) { return cVeskTestAccess::model(v).dataSets.at(i); }
  DataSet &addSet(int i, std::int16_t style, std::vector<DataPoint> points, std::vector<TextLabel> labels = {}) {
    DataSet &s = set(i);
    s.markerStyle = style;
    s.pointCount = std::int16_t(points.size());
    s.points = std::move(points);
    s.labelCount = std::int16_t(labels.size());
    s.labels = std::move(labels);
    s.isLoaded = true;
    return s;
  }
  void refresh() { v.refresh(p1, p3, p2); }
};

TextLabel label(std::string text, double x, double y, double angle) {
  TextLabel l;
  l.text = std::move(text);
  l.x = x;
  l.y = y;
  l.angle = angle;
  return l;
}

TEST(Refresh, ClearsTheSurfacesAndSetsTheDataCoordinates) {
  Graph g;
  g.refresh();
  EXPECT_EQ(g.p1.ops.at(0).name, "Cls");
  EXPECT_EQ(g.p3.ops.at(0).name, "Cls");
  EXPECT_EQ(g.p2.ops.at(0).name, "Cls");
  EXPECT_EQ(g.p1.ScaleLeft(), 0);
  EXPECT_EQ(g.p1.ScaleTop(), 5);
  EXPECT_EQ(g.p1.ScaleWidth(), 10);
  EXPECT_EQ(g.p1.ScaleHeight(), -10);
  // the strips end in twips from their top-left corner
  EXPECT_EQ(g.p2.ScaleHeight(), layout::yStrip.height);
  EXPECT_EQ(g.p3.ScaleWidth(), layout::xStrip.width);
}

TEST(Refresh, JoinsPointsByBlackLinesInThePenLeftOnTheGraphArea) {
  Graph g;
  g.addSet(0, 0, {{0, 0, 0}, {5, 4.5, 0}, {10, -2, 0}});
  g.addSet(1, 0, {{3, 3, 0}});  // one point and no marker: nothing
  g.refresh();
  EXPECT_EQ(shapes(g.p1), (std::vector<std::string>{"Cls 0 0 0 0", "Line 0 0 5 4.5", "Line 5 4.5 10 -2"}));
  for (const auto &o : g.p1.named("Line")) {
    EXPECT_EQ(o.colour, Colour{0});
    EXPECT_EQ(o.drawWidth, 2);
  }
}

TEST(Refresh, MarkedSetsGetMarkersOnly) {
  Graph g;
  g.addSet(0, 2, {{2, 1, 0}, {8, 1, 0}});
  g.refresh();
  const auto lines = g.p1.named("Line");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].x1, 2);
  EXPECT_EQ(lines[2].x1, 8);
  for (const auto &o : lines) EXPECT_FALSE(o.colour.has_value());
  EXPECT_EQ(g.p1.DrawWidth(), 2);
}

TEST(Refresh, StopsAtTheFirstSetNotLoaded) {
  Graph g;
  g.addSet(0, 0, {{0, 0, 0}, {1, 1, 0}});
  g.addSet(2, 0, {{0, 0, 0}, {2, 2, 0}});
  g.set(1).isLoaded = false;
  g.refresh();
  EXPECT_EQ(g.p1.named("Line").size(), 1u);
}

TEST(Refresh, DrawsAll401SetsAndCountsNoPointsItDoesNotHave) {
  Graph g;
  for (int i = 0; i < GraphModel::maxDataSets; ++i) g.addSet(i, 0, {{0, 0, 0}, {1, 1, 0}});
  g.set(7).pointCount = 30000;  // more than it holds
  g.set(8).labelCount = 5;
  g.refresh();
  EXPECT_EQ(g.p1.named("Line").size(), 401u);
}

TEST(Refresh, LabelsAreDrawnUnlessSwitchedOff) {
  for (bool noLables : {false, true}) {
    Graph g;
    g.main.noLables = noLables;
    g.main.defaultFontSize = 12.4;
    g.addSet(0, 3, {}, {label("Peak", 2, 3, 366.4), label("Up", 4, 1, 900)});
    g.refresh();
    const auto prints = g.p1.named("Print");
    if (noLables) {
      EXPECT_TRUE(prints.empty());
      continue;
    }
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].text, "Peak");
    EXPECT_EQ(prints[0].font.escapement, 366);
    EXPECT_EQ(prints[0].font.height, -16);
    EXPECT_EQ(prints[0].x1, 2);
    EXPECT_DOUBLE_EQ(prints[0].y1, 3 + 195.0 * 10 / layout::graphArea.height);  // one text height up
    EXPECT_EQ(prints[1].font.escapement, 900);
    EXPECT_DOUBLE_EQ(prints[1].x1, 4 - 195 * 10 / layout::graphArea.width);
  }
}

TEST(Refresh, AxisTitlesAreCentredOnTheGraphAreaInTheirOwnFont) {
  Graph g;
  cVeskTestAccess::model(g.v).xTitle = "Time (s)";
  cVeskTestAccess::model(g.v).yTitle = "Voltage (V)";
  g.refresh();
  const RecordedOp y = g.p2.named("Print").back(), x = g.p3.named("Print").back();
  EXPECT_EQ(y.text, "Voltage (V)");
  EXPECT_EQ(y.font.escapement, 900);
  // The label font's 12 pixels are 204 twips high and 120 wide a character:
  // the title ends at 300, its left edge on a whole pixel.
  EXPECT_DOUBLE_EQ(y.x1, 90);
  EXPECT_DOUBLE_EQ(y.y1, 120 + (layout::graphArea.height + 11 * 120) / 2.0);
  EXPECT_EQ(x.font.escapement, 0);
  EXPECT_DOUBLE_EQ(x.x1, 240 + (layout::graphArea.width - 8 * 120) / 2.0);
}

bool allFinite(const RecordingSurface &s) {
  for (const auto &o : s.ops)
    if (!std::isfinite(o.x1) || !std::isfinite(o.y1) || !std::isfinite(o.x2) || !std::isfinite(o.y2)) return false;
  return true;
}

// Limits without an answer draw no ticks or data on that axis, never garbage.
TEST(Refresh, UnusableLimitsDrawNothingNonFinite) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const double limits[][2] = {{nan, 1}, {0, inf}, {-1e308, 1e308}, {1e300, 1e300}, {5, -5}, {3, 3}, {0, 0}};
  for (const auto &l : limits) {
    Graph g;
    GraphModel &m = cVeskTestAccess::model(g.v);
    m.xMin = m.yMin = l[0];
    m.xMax = m.yMax = l[1];
    g.addSet(0, 5, {{1, 1, 0}, {nan, 2, 0}}, {label("a", 1, 1, nan), label("b", 1, 1, 1e30)});
    g.refresh();
    EXPECT_TRUE(allFinite(g.p2) && allFinite(g.p3)) << l[0] << ".." << l[1];
    for (const auto &o : g.p1.named("Print")) EXPECT_LT(std::abs(o.font.escapement), 3600);
  }
}

TEST(Refresh, SurfacesOfZeroSizeAreLeftAlone) {
  test::FakeMainForm main;
  cVesk v(main);
  cVeskTestAccess::model(v).xMax = 10;
  cVeskTestAccess::model(v).yMax = 10;
  RecordingSurface p1(0, 0), p3(layout::xStrip.width, layout::xStrip.height), p2(layout::yStrip.width, 0);
  v.refresh(p1, p3, p2);
  EXPECT_EQ(p1.ops.size(), 1u);             // Cls
  EXPECT_EQ(p2.ops.size(), 1u);             // Cls
  EXPECT_EQ(p3.named("Print").size(), 1u);  // the title; ticks need the graph area
}

}  // namespace
}  // namespace vesk
