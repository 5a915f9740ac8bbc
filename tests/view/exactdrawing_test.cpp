// The drawing that leaves out what would not change the picture against the
// plain drawing of every segment and marker, on generated graphs.
#include "view/GraphView.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/cVeskTestAccess.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QImage>
#include <QSvgGenerator>
#include <QXmlStreamReader>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vesk {
namespace {

enum class Shape {
  walks,     // random walks that double back in x as well as y
  steps,     // level and upright runs: the whole-pixel lines
  cloud,     // markers of every style, densely
  far,       // points out of the range, some by far
  labelled,  // lines, markers and labels in turn
  fewLong,   // long slanted segments across the area
  dense,     // many points to a pixel column, on and about the columns' edges
};

struct Case {
  const char *name;
  Shape shape;
  unsigned seed;
  double ratio = 1;
  bool reversed = false;  // both axes run backwards
  bool zoomed = false;
  QColor ink = Qt::black;
  int pen = 1;  // pixels
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

DataSet &addSet(GraphModel &m, std::size_t index, std::int16_t marker) {
  DataSet &set = m.dataSets[index];
  set.isLoaded = true;
  set.markerStyle = marker;
  return set;
}

void finish(DataSet &set) { set.pointCount = static_cast<decltype(set.pointCount)>(set.points.size()); }

// Values of the range 0..100 on both axes.
GraphModel generate(const Case &c) {
  GraphModel m;
  m.xTitle = "x";
  m.yTitle = "y";
  m.xMin = c.reversed ? 100 : 0;
  m.xMax = c.reversed ? 0 : 100;
  m.yMin = c.reversed ? 100 : 0;
  m.yMax = c.reversed ? 0 : 100;
  m.dataSets.resize(GraphModel::maxDataSets);
  std::mt19937 rng(c.seed);
  std::uniform_real_distribution<double> unit(0, 100);
  std::normal_distribution<double> step(0, 1);
  static const std::int16_t styles[] = {1, 2, 3, 4, 5, 6, 8, 13, 14, 15, 16, 18};

  switch (c.shape) {
    case Shape::walks:
      for (std::size_t j = 0; j < 6; ++j) {
        DataSet &set = addSet(m, j, 0);
        double x = unit(rng), y = unit(rng);
        for (int k = 0; k < 4000; ++k) {
          x = std::clamp(x + step(rng) * 0.4, -5.0, 105.0);
          y = std::clamp(y + step(rng) * 1.5, -5.0, 105.0);
          set.points.push_back({x, y, 0});
        }
        finish(set);
      }
      break;
    case Shape::steps:
      for (std::size_t j = 0; j < 4; ++j) {
        DataSet &set = addSet(m, j, 0);
        double x = unit(rng), y = unit(rng);
        for (int k = 0; k < 3000; ++k) {
          // Alternately level and upright, now and then back over itself.
          if (k % 2)
            x = std::clamp(x + step(rng) * 2, 0.0, 100.0);
          else
            y = std::clamp(y + step(rng) * 2, 0.0, 100.0);
          set.points.push_back({x, y, 0});
        }
        finish(set);
      }
      break;
    case Shape::cloud: {
      // Every other cloud so tight that most of its markers fall on the pixels of others.
      double firstX = 0, firstY = 0;
      for (std::size_t j = 0; j < std::size(styles); ++j) {
        DataSet &set = addSet(m, j, styles[j]);
        const double cx = unit(rng), cy = unit(rng), spread = j % 2 ? 8 : 0.6;
        if (j == 0) {
          firstX = cx;
          firstY = cy;
        }
        for (int k = 0; k < 1500; ++k) set.points.push_back({cx + step(rng) * spread, cy + step(rng) * spread, 0});
        finish(set);
      }
      // A line over the first cloud, then that cloud's markers once more over it.
      DataSet &line = addSet(m, std::size(styles), 0);
      for (int k = 0; k < 200; ++k) line.points.push_back({firstX + step(rng), firstY + step(rng), 0});
      finish(line);
      DataSet &again = addSet(m, std::size(styles) + 1, styles[0]);
      again.points = m.dataSets[0].points;
      finish(again);
      break;
    }
    case Shape::far:
      for (std::size_t j = 0; j < 4; ++j) {
        DataSet &set = addSet(m, j, j == 3 ? std::int16_t(1) : std::int16_t(0));
        double y = 50;
        for (int k = 0; k < 3000; ++k) {
          y += step(rng) * 20;
          const double far = k % 97 == 0 ? 1e9 * (k % 2 ? 1 : -1) : 0;
          set.points.push_back({-50 + k * 0.07, y + far, 0});
        }
        finish(set);
      }
      break;
    case Shape::labelled:
      for (std::size_t j = 0; j < 9; ++j) {
        DataSet &set = addSet(m, j, j % 3 == 1 ? styles[j % std::size(styles)] : std::int16_t(0));
        double y = unit(rng);
        for (int k = 0; k < 1500; ++k) {
          y = std::clamp(y + step(rng) * 2, 0.0, 100.0);
          set.points.push_back({k / 15.0, y, 0});
        }
        finish(set);
        for (int k = 0; k < 5; ++k)
          set.labels.push_back({"Label " + std::to_string(k), unit(rng), unit(rng), 0, double(k * 450)});
        set.labelCount = static_cast<decltype(set.labelCount)>(set.labels.size());
      }
      break;
    case Shape::fewLong:
      for (std::size_t j = 0; j < 3; ++j) {
        DataSet &set = addSet(m, j, 0);
        for (int k = 0; k < 40; ++k) set.points.push_back({unit(rng), unit(rng), 0});
        // The same segments again, over themselves.
        for (int k = 0; k < 40; ++k) set.points.push_back(set.points[std::size_t(k)]);
        finish(set);
      }
      break;
    case Shape::dense:
      // Twenty points to a column (a tenth of them on a column's edge), now
      // and then one that cannot be drawn, with levels that wander over the
      // top and bottom edges and stay beyond them for a while.
      for (std::size_t j = 0; j < 4; ++j) {
        DataSet &set = addSet(m, j, 0);
        double y = unit(rng);
        for (int k = 0; k < 12800; ++k) {
          y = std::clamp(y + step(rng) * 3, -40.0, 140.0);
          const double x = (j % 2 ? 12800 - k : k) / 128.0 + (j < 2 ? 0 : 0.003);
          double level = y;
          if (k % 1009 == 500) level = std::numeric_limits<double>::quiet_NaN();
          if (k % 997 == 300) level = 1e9;
          set.points.push_back({x, level, 0});
        }
        finish(set);
      }
      break;
  }
  return m;
}

struct Pictures {
  QImage plain, fast;
};

Pictures draw(const Case &c) {
  test::TempDir config;
  GraphView view(GraphView::windowFont(), SettingsFile(config.path(), "/opt/vesk"), 15, Qt::white, c.ink, c.ratio);
  cVeskTestAccess::model(view.engine()) = generate(c);
  view.mainPicture().setDrawWidth(c.pen);
  Pictures out;
  for (bool plain : {true, false}) {
    view.engine().plainDrawing = plain;
    // Twice over, so that the second drawing starts from a picture the first left.
    for (int pass = 0; pass < 2; ++pass) {
      if (c.zoomed)
        view.zoom(c.reversed ? 70 : 30, c.reversed ? 35 : 65, c.reversed ? 30 : 70, c.reversed ? 65 : 35);
      else
        view.refresh();
    }
    (plain ? out.plain : out.fast) = view.mainPicture().image();
  }
  return out;
}

int differing(const QImage &a, const QImage &b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

class ExactDrawing : public ::testing::TestWithParam<Case> {};

TEST_P(ExactDrawing, GivesThePixelsOfDrawingEverySegmentAndMarker) {
  const Pictures p = draw(GetParam());
  // Something was drawn, so that the comparison means something.
  ASSERT_NE(p.plain.pixel(0, 0), 0u);
  int inked = 0;
  for (int y = 0; y < p.plain.height(); ++y)
    for (int x = 0; x < p.plain.width(); ++x) inked += p.plain.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_GT(inked, 200);
  EXPECT_EQ(differing(p.plain, p.fast), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Generated, ExactDrawing,
    ::testing::Values(
        Case{"walks", Shape::walks, 1}, Case{"walksAgain", Shape::walks, 2}, Case{"walksRatio2", Shape::walks, 3, 2},
        Case{"walksReversed", Shape::walks, 4, 1, true}, Case{"walksZoomed", Shape::walks, 5, 1, false, true},
        Case{"walksZoomedReversedRatio2", Shape::walks, 6, 2, true, true}, Case{"walksRatio1_5", Shape::walks, 7, 1.5},
        Case{"steps", Shape::steps, 8}, Case{"stepsRatio2", Shape::steps, 9, 2}, Case{"cloud", Shape::cloud, 10},
        Case{"cloudRatio2Zoomed", Shape::cloud, 11, 2, false, true},
        Case{"cloudBlueInk", Shape::cloud, 12, 1, false, false, QColor(0, 0, 160)}, Case{"far", Shape::far, 13},
        Case{"farZoomedReversed", Shape::far, 14, 1, true, true}, Case{"labelled", Shape::labelled, 15},
        Case{"labelledBlueInk", Shape::labelled, 16, 1, false, false, QColor(0, 0, 160)},
        Case{"labelledRatio2", Shape::labelled, 17, 2}, Case{"fewLong", Shape::fewLong, 18},
        Case{"fewLongRatio2Reversed", Shape::fewLong, 19, 2, true}, Case{"dense", Shape::dense, 20},
        Case{"denseWidePen", Shape::dense, 21, 1, false, false, Qt::black, 2},
        Case{"denseWidePenReversed", Shape::dense, 22, 1, true, false, Qt::black, 3},
        Case{"denseWidePenZoomedRatio2", Shape::dense, 23, 2, false, true, Qt::black, 2},
        Case{"denseZoomedReversed", Shape::dense, 24, 1, true, true}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

struct Drawn {
  test::TempDir config;
  GraphView view{GraphView::windowFont(), SettingsFile(config.path(), "/opt/vesk"), 15};
  explicit Drawn(Shape shape) { cVeskTestAccess::model(view.engine()) = generate(Case{"", shape, 21}); }
  void drag() { view.mainPicture().Line(20, 80, 60, 30, Colour{0}, true); }
};

// A drag's rectangle goes with the graph put back as drawn, in the full and the zoomed view.
TEST(RestoreShown, PutsBackTheLastViewDrawn) {
  Drawn d(Shape::labelled);
  EXPECT_FALSE(d.view.restoreShown()) << "nothing drawn yet";
  for (bool zoomed : {false, true}) {
    if (zoomed)
      d.view.zoom(10, 90, 50, 40);
    else
      d.view.refresh();
    const QImage drawn = d.view.mainPicture().image().copy();
    d.drag();
    ASSERT_NE(d.view.mainPicture().image(), drawn);
    EXPECT_TRUE(d.view.restoreShown());
    EXPECT_EQ(d.view.mainPicture().image(), drawn) << zoomed;
    // Drawn on again after the restore, and put back again.
    d.drag();
    EXPECT_TRUE(d.view.restoreShown());
    EXPECT_EQ(d.view.mainPicture().image(), drawn) << zoomed;
  }
}

// What the view would now draw differs from what it drew: the labels, their
// size or the engine have changed since.
TEST(RestoreShown, RefusesWhenTheViewWouldBeDrawnOtherwise) {
  for (int change = 0; change < 3; ++change) {
    Drawn d(Shape::labelled);
    d.view.refresh();
    d.drag();
    const QImage dragged = d.view.mainPicture().image().copy();
    if (change == 0) d.view.NoLables = true;
    if (change == 1) d.view.DefaultFontSize = 20;
    if (change == 2) {
      d.view.currentVesk.reset();
      d.view.engine();
    }
    EXPECT_FALSE(d.view.restoreShown()) << change;
    EXPECT_EQ(d.view.mainPicture().image(), dragged) << change;
  }
}

// Each data line of the vector drawing is one element, however many points it has.
TEST(VectorDrawing, DrawsEachDataLineAsOnePath) {
  Drawn d(Shape::walks);
  // Vector output draws the view that is shown.
  d.view.refresh();
  QByteArray bytes[3];
  QBuffer buffers[3];
  QSvgGenerator generators[3];
  QPainter painters[3];
  for (int i = 0; i < 3; ++i) {
    buffers[i].setBuffer(&bytes[i]);
    generators[i].setOutputDevice(&buffers[i]);
    generators[i].setSize(QSize(720, 478));
    painters[i].begin(&generators[i]);
  }
  d.view.paint(painters[0], painters[1], painters[2], 1.0 / 15);
  for (QPainter &p : painters) p.end();

  QXmlStreamReader svg(bytes[0]);
  int paths = 0, others = 0;
  while (!svg.atEnd())
    if (svg.readNext() == QXmlStreamReader::StartElement) {
      if (svg.name() == u"path")
        ++paths;
      else if (svg.name() != u"svg" && svg.name() != u"g" && svg.name() != u"title" && svg.name() != u"desc" &&
               svg.name() != u"defs" && svg.name() != u"rect")
        ++others;
    }
  EXPECT_FALSE(svg.hasError());
  // Six lines of 4,000 points; the background may be a path too.
  EXPECT_GE(paths, 6);
  EXPECT_LE(paths, 7);
  EXPECT_EQ(others, 0);
  // The lines reduced to what shows at the screen's pixels.
  EXPECT_LT(bytes[0].size(), 400000) << bytes[0].size();
}

}  // namespace
}  // namespace vesk
