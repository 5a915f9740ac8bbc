#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/RecordingSurface.h"
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace vesk {
namespace {

using test::RecordedOp;

struct Zoomed {
  test::FakeMainForm main;
  cVesk v{main};
  test::RecordingSurface p1{layout::graphArea.width, layout::graphArea.height},
      p3{layout::xStrip.width, layout::xStrip.height}, p2{layout::yStrip.width, layout::yStrip.height};
  Zoomed() {
    GraphModel &m = cVeskTestAccess::model(v);
    m.xMax = 100;
    m.yMax = 100;
    m.xTitle = "x";
    m.yTitle = "y";
    m.dataSets.resize(GraphModel::maxDataSets);
    DataSet &s = m.dataSets[0];
    s.points = {{20, 20, 0}, {60, 60, 0}};
    s.pointCount = 2;
    s.markerStyle = 5;
    TextLabel l;
    l.text = "Peak";
    l.x = 30;
    l.y = 30;
    s.labels = {l};
    s.labelCount = 1;
    s.isLoaded = true;
  }
  void zoom(double startX, double startY, double endX, double endY) { v.zoom(p1, p2, p3, startX, startY, endX, endY); }
};

std::vector<std::string> prints(const test::RecordingSurface &s) {
  std::vector<std::string> out;
  for (const auto &o : s.named("Print")) out.push_back(o.text);
  return out;
}

class WrongCorner : public ::testing::TestWithParam<std::array<double, 4>> {};

TEST_P(WrongCorner, IsRefusedWithAMessageAndTheFullView) {
  Zoomed z;
  const auto c = GetParam();
  z.zoom(c[0], c[1], c[2], c[3]);
  ASSERT_EQ(z.main.messages.size(), 1u);
  EXPECT_EQ(z.main.messages[0].text, "Please start box in the upper left corner of the area you want to zoom.");
  EXPECT_EQ(z.main.messages[0].title, "Error");
  Zoomed full;
  full.v.refresh(full.p1, full.p3, full.p2);
  EXPECT_EQ(prints(z.p2), prints(full.p2));
  EXPECT_EQ(prints(z.p3), prints(full.p3));
  EXPECT_EQ(z.p1.ScaleWidth(), 100);
  EXPECT_EQ(z.p1.ScaleHeight(), -100);
}

// (startX, startY, endX, endY): from lower right, lower left and upper right.
INSTANTIATE_TEST_SUITE_P(Zoom, WrongCorner,
                         ::testing::Values(std::array<double, 4>{60, 20, 20, 60}, std::array<double, 4>{20, 20, 60, 60},
                                           std::array<double, 4>{60, 60, 20, 20}));

TEST(Zoom, ShowsTheRectangleWithDataCoordinatesUpward) {
  Zoomed z;
  z.zoom(10, 50, 50, 30);
  EXPECT_TRUE(z.main.messages.empty());
  EXPECT_EQ(z.p1.ScaleLeft(), 10);
  EXPECT_EQ(z.p1.ScaleTop(), 50);
  EXPECT_EQ(z.p1.ScaleWidth(), 40);
  EXPECT_EQ(z.p1.ScaleHeight(), -20);
  EXPECT_EQ(prints(z.p3), (std::vector<std::string>{"10", "15", "20", "25", "30", "35", "40", "45", "50", "x"}));
  EXPECT_EQ(prints(z.p2).front(), "   30");
  EXPECT_EQ(prints(z.p2)[prints(z.p2).size() - 2], "   50");
}

TEST(Zoom, MovesTheYLabelsLeftAndKeepsTheTitleWhereTheFullViewHasIt) {
  Zoomed z;
  z.main.charWidth = 80;  // labels that fit the room before their ticks
  z.zoom(10, 50, 50, 30);
  const auto p = z.p2.named("Print");
  for (size_t i = 0; i + 1 < p.size(); ++i) EXPECT_DOUBLE_EQ(p[i].x1, layout::yStrip.width - 620);
  Zoomed full;
  full.main.charWidth = 80;
  full.v.refresh(full.p1, full.p3, full.p2);
  EXPECT_EQ(p.back().text, "y");
  EXPECT_DOUBLE_EQ(p.back().x1, full.p2.named("Print").back().x1);
  EXPECT_DOUBLE_EQ(p.back().y1, full.p2.named("Print").back().y1);
  EXPECT_GE(p.back().x1, 0);
  EXPECT_DOUBLE_EQ(z.p3.named("Print").back().y1, layout::xStrip.height - 380);
}

TEST(Zoom, DrawsLabelsWhateverNoLablesSays) {
  Zoomed z;
  z.main.noLables = true;
  z.zoom(10, 50, 50, 30);
  EXPECT_EQ(prints(z.p1), std::vector<std::string>{"Peak"});
}

TEST(Zoom, MarkersKeepTheirSizeOnScreen) {
  Zoomed z;
  z.zoom(19, 21, 21, 19);
  const RecordedOp box = z.p1.named("Box").at(0);
  EXPECT_NEAR((box.x2 - box.x1) / z.p1.ScaleWidth() * layout::graphArea.width, 150, 1e-9);
  EXPECT_NEAR(std::abs(box.y2 - box.y1) / -z.p1.ScaleHeight() * layout::graphArea.height, 150, 1e-9);
}

TEST(Zoom, RectangleWithinOneUnitOrOfNoSizeIsTicked) {
  Zoomed z;
  z.zoom(0.1, 20, 0.4, 20);
  EXPECT_TRUE(z.main.messages.empty());
  EXPECT_EQ(prints(z.p3).front(), "0.1");
  EXPECT_EQ(prints(z.p3)[prints(z.p3).size() - 2], "0.4");
  EXPECT_EQ(prints(z.p2).front(), " 19.5");
  EXPECT_TRUE(std::isfinite(z.p1.ScaleHeight()) && z.p1.ScaleHeight() != 0);
}

// On reversed axes the start corner is still the one at the screen's upper
// left: the larger x and the smaller y; the zoomed view stays reversed.
TEST(Zoom, ReversedAxesTakeTheirCornersInScreenOrderAndStayReversed) {
  for (const auto &[xReversed, yReversed] : {std::pair{true, false}, {false, true}, {true, true}}) {
    Zoomed z;
    GraphModel &m = cVeskTestAccess::model(z.v);
    if (xReversed) std::swap(m.xMin, m.xMax);
    if (yReversed) std::swap(m.yMin, m.yMax);
    const double left = xReversed ? 50 : 10, right = xReversed ? 10 : 50;
    const double top = yReversed ? 30 : 50, bottom = yReversed ? 50 : 30;
    z.zoom(left, top, right, bottom);
    EXPECT_TRUE(z.main.messages.empty()) << xReversed << yReversed;
    EXPECT_EQ(z.p1.ScaleLeft(), left);
    EXPECT_EQ(z.p1.ScaleWidth(), right - left);
    EXPECT_EQ(z.p1.ScaleTop(), top);
    EXPECT_EQ(z.p1.ScaleHeight(), bottom - top);
    // The corners in value order are the wrong ones here.
    z.zoom(std::min(left, right), std::max(top, bottom), std::max(left, right), std::min(top, bottom));
    EXPECT_EQ(z.main.messages.size(), 1u) << xReversed << yReversed;
  }
}

}  // namespace
}  // namespace vesk
