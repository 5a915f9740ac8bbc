#include "surface/QtSurface.h"
#include "tests/support/Pixels.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>
#include <QApplication>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace vesk {
namespace {

using test::painted;

// Every painted pixel is the foreground colour: no half-grey edges.
bool crisp(const QImage &img) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor c = img.pixelColor(x, y);
      if (c != Qt::white && c != Qt::black) return false;
    }
  return true;
}

QtSurface twips(double w = 1500, double h = 1500) {
  return QtSurface(w, h, 15, Qt::white, Qt::black, QApplication::font());
}

TEST(QtSurface, ImageHasTheSizeInPixels) {
  QtSurface s(layout::graphArea.width, layout::graphArea.height, 15, Qt::white, Qt::black, QApplication::font());
  EXPECT_EQ(s.image().size(), QSize(640, 407));
}

struct LineCase {
  double x1, y1, x2, y2;
  int width;
  QRect pixels;
};

class CrispLines : public ::testing::TestWithParam<LineCase> {};

// In twips on a 100 x 100 pixel surface.
TEST_P(CrispLines, CoverWholePixels) {
  const LineCase c = GetParam();
  QtSurface s = twips();
  s.setDrawWidth(c.width);
  s.Line(c.x1, c.y1, c.x2, c.y2);
  EXPECT_EQ(painted(s.image()), c.pixels);
  EXPECT_TRUE(crisp(s.image()));
}

INSTANTIATE_TEST_SUITE_P(
    QtSurface, CrispLines,
    ::testing::Values(LineCase{layout::yStrip.width - 150, 100, layout::yStrip.width, 100, 1,
                               QRect(65, 7, 11, 1)},  // a y tick: both end pixels
                      LineCase{layout::yStrip.width, 100, layout::yStrip.width - 150, 100, 1,
                               QRect(65, 7, 11, 1)},                          // drawn the other way
                      LineCase{300, 0, 300, 150, 1, QRect(20, 0, 1, 11)},     // an x tick from the top
                      LineCase{307.4, 50, 307.4, 50, 1, QRect(20, 3, 1, 1)},  // a point
                      LineCase{300, 600, 600, 600, 2, QRect(19, 39, 22, 2)},  // two wide, square ends
                      LineCase{-1e12, 600, 1e12, 600, 1, QRect(0, 40, 100, 1)}));

TEST(QtSurface, BoxOutlinesThePixelsFromCornerToCorner) {
  QtSurface s = twips();
  s.Line(150, 150, 300, 300, std::nullopt, true);
  const QImage img = s.image();
  EXPECT_EQ(painted(img), QRect(10, 10, 11, 11));
  EXPECT_EQ(img.pixelColor(15, 15), QColor(Qt::white));
  EXPECT_TRUE(crisp(img));
}

TEST(QtSurface, LineInAColourUsesIt) {
  QtSurface s = twips();
  s.Line(0, 600, 1500, 600, Colour{0xFF0000});
  EXPECT_EQ(s.image().pixelColor(50, 40), QColor(255, 0, 0));
}

TEST(QtSurface, NonFiniteAndFarCoordinatesDrawSafely) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  QtSurface s = twips();
  s.Line(nan, 0, 100, 100);
  s.Line(0, 0, inf, 100);
  s.Line(-1e300, -1e300, 1e300, 1e300, std::nullopt, true);
  s.Circle(nan, 0, 10);
  s.Circle(0, 0, 1e300);
  s.setCurrentX(nan);
  s.Print("x");
  EXPECT_EQ(painted(s.image()), QRect());
  s.Scale(0, 0, 0, 0);  // a system of no size
  s.Line(0, 0, 1, 1);
  EXPECT_EQ(painted(s.image()), QRect());
  s.Line(-1e300, 750, 1e300, 1e300);  // slanted, clipped before it reaches the rasteriser
}

// Marks just off each edge of a 100 x 100 pixel image, in twips.
TEST(QtSurface, ShapesOffTheImageDrawNothing) {
  QtSurface s = twips();
  s.setDrawWidth(2);
  for (double d : {-300.0, 1800.0}) {
    s.Line(d, 0, d, 1500);
    s.Line(0, d, 1500, d);
    s.Line(d, d, d + 150, d + 150, std::nullopt, true);
    s.Line(d, d, d + 150, d + 100);
    s.setDrawWidth(1);
    s.Line(d, 0, d, 1500);
    s.Line(d, d, d + 150, d + 100);
    s.Line(d, d, d + 150, d + 150, std::nullopt, true);
  }
  EXPECT_EQ(painted(s.image()), QRect());
}

struct SlantCase {
  double x1, y1, x2, y2;
  int width;
  QRect pixels;
};

class SlantedLines : public ::testing::TestWithParam<SlantCase> {};

TEST_P(SlantedLines, CoverTheirSpanClippedToTheImage) {
  const SlantCase c = GetParam();
  QtSurface s = twips();
  s.setDrawWidth(c.width);
  s.Line(c.x1, c.y1, c.x2, c.y2);
  EXPECT_EQ(painted(s.image()), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(QtSurface, SlantedLines,
                         ::testing::Values(SlantCase{150, 150, 300, 300, 1, QRect(10, 10, 11, 11)},  // both end pixels
                                           SlantCase{300, 300, 150, 150, 1, QRect(10, 10, 11, 11)},
                                           SlantCase{150, 150, 450, 300, 2, QRect(10, 9, 21, 13)},
                                           SlantCase{-750, -750, 2250, 2250, 2, QRect(0, 0, 100, 100)},
                                           SlantCase{-1e9, 750, 1e9, 760, 1, QRect(0, 50, 100, 1)}));

TEST(QtSurface, CircleIsARingOfItsRadius) {
  for (int width : {1, 2}) {
    QtSurface s = twips();
    s.setDrawWidth(width);
    s.Circle(750, 750, 150);
    const QImage img = s.image();
    const QRect box = painted(img);
    EXPECT_NEAR(box.width(), 21, width) << width;
    EXPECT_NEAR(box.center().x(), 50, 1) << width;
    EXPECT_NEAR(box.center().y(), 50, 1) << width;
    EXPECT_EQ(img.pixelColor(50, 50), QColor(Qt::white));
  }
}

// Same twips, user units and pixels; twice the image pixels each way, and
// text drawn at that resolution rather than enlarged.
TEST(QtSurface, RatioTwoDrawsTheSamePictureAtTwiceThePixels) {
  QtSurface one = twips(), two(1500, 1500, 15, Qt::white, Qt::black, QApplication::font(), 2);
  EXPECT_EQ(two.size(), QSize(100, 100));
  EXPECT_EQ(two.image().size(), QSize(200, 200));
  for (QtSurface *s : {&one, &two}) {
    s->Line(layout::yStrip.width - 150, 100, layout::yStrip.width, 100);  // a y tick
    s->setDrawWidth(2);
    s->Line(300, 600, 600, 600);
    s->setCurrentX(300);
    s->setCurrentY(900);
    s->Print("E");
  }
  EXPECT_EQ(painted(two.image().copy(0, 0, 200, 20)), QRect(130, 14, 22, 2));
  EXPECT_EQ(painted(two.image().copy(0, 70, 200, 20)), QRect(38, 8, 44, 4));
  const QRect e1 = painted(one.image().copy(0, 50, 100, 50)), e2 = painted(two.image().copy(0, 100, 200, 100));
  EXPECT_NEAR(e2.height(), 2 * e1.height(), 1);
  EXPECT_NEAR(e2.top(), 2 * e1.top(), 1);
  // Not the small text enlarged.
  QImage text = two.image().copy(0, 100, 200, 100), enlarged = one.image().copy(0, 50, 100, 50).scaled(200, 100);
  text.setDevicePixelRatio(1);
  enlarged.setDevicePixelRatio(1);
  EXPECT_NE(text, enlarged.convertToFormat(text.format()));
}

TEST(QtSurface, PrintPlacesTheTopLeftCornerAndMovesToTheNextLine) {
  QtSurface s = twips();
  s.setCurrentX(300);
  s.setCurrentY(450);
  s.Print("E");
  const QRect box = painted(s.image());
  EXPECT_NEAR(box.left(), 20, 2);
  EXPECT_GE(box.top(), 30);
  EXPECT_LE(box.top(), 36);
  EXPECT_EQ(s.CurrentX(), 0);
  EXPECT_NEAR(s.CurrentY(), 450 + QFontMetricsF(QApplication::font()).height() * 15, 1e-9);
}

// Counter-clockwise text turns about its top-left corner.
TEST(QtSurface, UpwardTextLiesRightOfAndAboveItsReferencePoint) {
  QtSurface s(3000, 3000, 15, Qt::white, Qt::black, QApplication::font());
  SurfaceFont font;
  font.face = "Arial";
  font.height = -20;
  font.escapement = 900;
  s.SelectFont(font);
  s.setCurrentX(1500);
  s.setCurrentY(1500);
  s.Print("Upward");
  const QRect box = painted(s.image());
  EXPECT_GE(box.left(), 100);
  EXPECT_LE(box.bottom(), 100);
  EXPECT_GT(box.height(), 2 * box.width());
}

TEST(QtSurface, SelectedFontSetsTheGlyphHeight) {
  int heights[2];
  for (int i = 0; i < 2; ++i) {
    QtSurface s(3000, 3000, 15, Qt::white, Qt::black, QApplication::font());
    SurfaceFont font;
    font.face = "Arial";
    font.height = i == 0 ? -20 : -40;
    s.SelectFont(font);
    s.Print("H");
    heights[i] = painted(s.image()).height();
  }
  EXPECT_NEAR(heights[0], 14, 2);  // a capital is about 0.72 of the character height
  EXPECT_NEAR(heights[1], 2 * heights[0], 2);
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// The lengths of the runs of dark pixels along one row or column of an image.
std::vector<int> darkRuns(const QImage &img, bool alongColumn, int at) {
  std::vector<int> runs;
  int run = 0;
  const int n = alongColumn ? img.height() : img.width();
  for (int i = 0; i <= n; ++i) {
    const bool dark = i < n && qGray(alongColumn ? img.pixel(at, i) : img.pixel(i, at)) < 128;
    if (dark) {
      ++run;
    } else if (run > 0) {
      runs.push_back(run);
      run = 0;
    }
  }
  return runs;
}

class FractionalRatio : public ::testing::TestWithParam<double> {};

// Ticks on every row and column, and box outlines: at a ratio such as 1.5 a
// pixel's span is one image pixel here and two there, but a 1-pixel line is
// the same whole number of image pixels wide wherever it lies.
TEST_P(FractionalRatio, OnePixelLinesAndBoxEdgesAreEquallyWideEverywhere) {
  const double ratio = GetParam();
  const int side = int(std::lround(ratio));
  for (const bool box : {false, true}) {
    QtSurface s(1500, 1500, 15, Qt::white, Qt::black, QApplication::font(), ratio);
    for (int k = 1; k < 97; k += 4) {
      if (box) {
        s.Line(k * 15, k * 15, (k + 2) * 15, (k + 2) * 15, std::nullopt, true);
      } else {
        s.Line(0, k * 15, 1485, k * 15);              // a row
        s.Line((k + 2) * 15, 0, (k + 2) * 15, 1485);  // a column
      }
    }
    const QImage &img = s.image();
    // The first image pixel of a pixel's span.
    const auto first = [ratio](int pixel) { return int(std::floor(pixel * ratio + 0.5)); };
    // Down a column of pixel 1 across the rows, and along a row of pixel 3
    // across the columns; for the boxes along the last row of pixel 2, between
    // the first box's edges.
    const std::vector<int> across = box ? darkRuns(img, false, first(3) - 1) : darkRuns(img, true, first(1));
    const std::vector<int> down = box ? across : darkRuns(img, false, first(3));
    ASSERT_FALSE(across.empty());
    ASSERT_FALSE(down.empty());
    if (!box) {
      for (int run : across) EXPECT_EQ(run, side) << "ratio " << ratio;
      for (int run : down) EXPECT_EQ(run, side) << "ratio " << ratio;
    } else {
      // The first box's two vertical edges.
      EXPECT_EQ(across.size(), 2u);
      for (int run : across) EXPECT_EQ(run, side) << "ratio " << ratio;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(QtSurface, FractionalRatio, ::testing::Values(1.25, 1.5, 1.75, 2.0));

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// Lines worked out ahead come out as lines drawn without that, also when the
// drawing strays from what was planned: a changed scale or pen, other points.
enum class Stray { none, scale, pen, order };

struct XY {
  double x, y;
};

QImage linesDrawn(const std::vector<std::vector<XY>> &lines, bool ahead, Stray stray) {
  QtSurface s(layout::graphArea.width, layout::graphArea.height, 15, Qt::white, Qt::black, QApplication::font());
  s.Scale(0, 100, 150, 0);
  s.setDrawWidth(2);
  std::vector<PointRun> runs;
  for (const auto &line : lines) runs.push_back({&line[0].x, &line[0].y, line.size(), sizeof(XY)});
  if (ahead) s.planPolylines(runs);
  if (stray == Stray::scale) s.Scale(5, 90, 140, 10);
  if (stray == Stray::pen) s.setDrawWidth(3);
  if (stray == Stray::order) std::reverse(runs.begin(), runs.end());
  for (const PointRun &run : runs) s.Polyline(run, Colour{0});
  s.forgetPlans();
  return s.image().copy();
}

class PlannedLines : public ::testing::TestWithParam<Stray> {};

TEST_P(PlannedLines, GiveThePixelsOfLinesDrawnThereAndThen) {
  std::mt19937 rng(31);
  std::normal_distribution<double> step(0, 1.5);
  std::vector<std::vector<XY>> lines(4);
  for (auto &line : lines) {
    double y = 50;
    for (int k = 0; k < 3000; ++k) {
      y = std::clamp(y + step(rng), 0.0, 100.0);
      line.push_back({k * 0.05, y});
    }
  }
  const QImage plain = linesDrawn(lines, false, GetParam());
  EXPECT_GT(painted(plain).width(), 500);
  EXPECT_EQ(linesDrawn(lines, true, GetParam()), plain);
}

INSTANTIATE_TEST_SUITE_P(QtSurface, PlannedLines,
                         ::testing::Values(Stray::none, Stray::scale, Stray::pen, Stray::order));

}  // namespace
}  // namespace vesk
