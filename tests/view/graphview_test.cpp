#include "view/GraphView.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>

#include <cmath>
#include <limits>
#include <vector>

namespace vesk {
namespace {

struct View {
  test::TempDir config;
  GraphView view{QApplication::font(), SettingsFile(config.path(), "/opt/vesk"), 15};
};

QImage part(const QImage &image, QPoint at, QSize size) { return image.copy(QRect(at, size)); }

// Each surface shows in the composed picture at its place, whole, except
// where the graph area covers the y strip; between them is the strips' background.
TEST(GraphView, PictureHoldsEverySurfaceAtItsPlace) {
  View v;
  v.view.openFile(test::sourcePath("examples/vesk.dat").string());
  const QImage picture = v.view.picture();
  ASSERT_EQ(picture.size(), QSize(720, 478));

  const QImage graph = v.view.mainPicture().image(), x = v.view.xPicture().image(), y = v.view.yPicture().image();
  EXPECT_EQ(v.view.position(v.view.mainPicture()), QPoint(72, 8));
  EXPECT_EQ(v.view.position(v.view.xPicture()), QPoint(56, 416));
  EXPECT_EQ(v.view.position(v.view.yPicture()), QPoint(0, 0));
  EXPECT_EQ(part(picture, {72, 8}, graph.size()), graph.convertToFormat(picture.format()));
  EXPECT_EQ(part(picture, {56, 416}, x.size()), x.convertToFormat(picture.format()));
  // The y strip is 75 pixels wide; its last three columns lie under the graph area.
  EXPECT_EQ(part(picture, {0, 0}, {72, y.height()}),
            part(y, {0, 0}, {72, y.height()}).convertToFormat(picture.format()));
  EXPECT_EQ(part(picture, {72, 8}, {3, graph.height()}),
            part(graph, {0, 0}, {3, graph.height()}).convertToFormat(picture.format()));
  EXPECT_NE(part(y, {72, 8}, {3, graph.height()}), part(graph, {0, 0}, {3, graph.height()}))
      << "the overlap must hold something of the y strip for this check to mean anything";
  // Right of the graph area and below the y strip nothing is drawn.
  EXPECT_EQ(picture.pixelColor(715, 100), v.view.stripBackground());
  EXPECT_EQ(picture.pixelColor(10, 470), v.view.stripBackground());
}

// A file read from disk goes through the same mappings as File > Open: an
// LF-only file draws exactly as its CR LF twin.
TEST(GraphView, OpenFileReadsFromDiskAsOpenDoes) {
  View lf, crlf;
  lf.view.openFile(test::sourcePath("tests/data/worked-example-lf.dat").string());
  crlf.view.openData(test::readFile(test::sourcePath("tests/data/worked-example.dat")));
  EXPECT_EQ(lf.view.picture(), crlf.view.picture());
  EXPECT_EQ(lf.view.engine().model().dataSets[1].labels[0].text, "Peak");
}

// A file that fails leaves what a failed Open leaves: cleared surfaces and an empty engine.
TEST(GraphView, FailedOpenFileLeavesBlankSurfacesAndAnEmptyEngine) {
  View v;
  v.view.openFile(test::sourcePath("examples/vesk.dat").string());
  const QImage blank = View().view.picture();
  try {
    v.view.openFile(test::sourcePath("tests/data/decimal-comma.dat").string());
    FAIL() << "a decimal comma must not load";
  } catch (const LoadError &e) {
    EXPECT_NE(std::string(e.what()).find("decimal-comma.dat"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(v.view.engine().model().dataSets.empty());
  EXPECT_EQ(v.view.picture(), blank);
}

// A graph with no data sets, only its axes.
std::string axes(double xMin, double xMax, double yMin, double yMax) {
  const auto n = [](double v) { return QString::number(v, 'g', 17).toStdString(); };
  return "x\r\ny\r\n" + n(xMin) + " " + n(xMax) + " " + n(yMin) + " " + n(yMax) + "\r\n0\r\n";
}

// The rows of one column from top to bottom (not included) whose pixel is not back.
std::vector<int> inkRows(const QImage &picture, int column, int top, int bottom, QColor back) {
  std::vector<int> rows;
  for (int y = top; y < bottom; ++y)
    if (picture.pixelColor(column, y) != back) rows.push_back(y);
  return rows;
}

// Pixels at 15 twips per pixel. In the y strip beside the graph area, this
// column crosses only the ticks (the last 150 twips of the strip), the other
// only the graph area.
constexpr int strip = int(layout::yStrip.width - 100) / 15, graphColumn = 300;
constexpr int graphTop = int(layout::graphArea.top) / 15, stripBottom = int(layout::yStrip.height) / 15;

// The tick rows of a picture at a scale.
std::vector<int> tickRows(GraphView &view, const QImage &picture, int scale) {
  return inkRows(picture, scale * strip, 0, scale * stripBottom, view.stripBackground());
}

std::vector<int> doubled(const std::vector<int> &rows) {
  std::vector<int> out;
  for (int r : rows) out.insert(out.end(), {2 * r, 2 * r + 1});
  return out;
}

struct RowCase {
  double yMin, yMax, first, step;
  int ticks;
};

void PrintTo(const RowCase &c, std::ostream *os) { *os << c.yMin << ".." << c.yMax; }

class TickRows : public ::testing::TestWithParam<RowCase> {};

// Each y tick lies on the very row where a 1-pixel line at its value shows in
// the graph area, ticks run from end to end of the axis, labels keep 2 pixels
// clear of their ticks, and drawn again at scale 2 each tick row becomes two.
TEST_P(TickRows, EveryYTickLiesOnTheRowOfItsValue) {
  const RowCase c = GetParam();
  View v;
  v.view.openData(axes(0, 1, c.yMin, c.yMax));
  QtSurface &graph = v.view.mainPicture();
  graph.setDrawWidth(1);
  for (int i = 0; i < c.ticks; ++i) graph.Line(0, c.first + i * c.step, 1, c.first + i * c.step);
  const QImage picture = v.view.picture();
  const std::vector<int> ticks = tickRows(v.view, picture, 1);
  EXPECT_GE(ticks.size(), std::size_t(c.ticks - 1));
  EXPECT_EQ(ticks, inkRows(picture, graphColumn, graphTop, stripBottom, Qt::white));
  for (int column : {strip - 5, strip - 4})
    EXPECT_EQ(inkRows(picture, column, 0, stripBottom, v.view.stripBackground()), std::vector<int>()) << column;

  const QImage twice = v.view.picture(2);
  ASSERT_EQ(twice.size(), picture.size() * 2);
  EXPECT_EQ(tickRows(v.view, twice, 2), doubled(ticks));
}

INSTANTIATE_TEST_SUITE_P(GraphView, TickRows,
                         ::testing::Values(RowCase{-1000, -990, -1000, 1, 11}, RowCase{-5, 5, -5, 1, 11},
                                           RowCase{0, 30000, 0, 5000, 7}, RowCase{-40000, 40000, -40000, 10000, 9},
                                           RowCase{6.5, 8.5, 6.6, 0.2, 10}, RowCase{0, 1e-5, 0, 1e-6, 11},
                                           RowCase{1990, 2000, 1990, 1, 11}, RowCase{0, 37, 0, 5, 8},
                                           RowCase{-10000, 30000, -10000, 5000, 9}));

// At a scale other than the surfaces' own, the view shown is drawn again
// (zoomed if it was, without repeating its message), not enlarged.
TEST(GraphView, PictureAtAScaleDrawsTheShownViewAgain) {
  View v;
  int messages = 0;
  v.view.messageBox = [&](const std::string &, const std::string &) { ++messages; };
  v.view.openData(axes(0, 100, 0, 100));
  v.view.zoom(10, 50, 50, 30);
  EXPECT_EQ(tickRows(v.view, v.view.picture(2), 2), doubled(tickRows(v.view, v.view.picture(), 1)));
  v.view.zoom(50, 30, 10, 50);  // refused: a message and the full view
  EXPECT_EQ(tickRows(v.view, v.view.picture(2), 2), doubled(tickRows(v.view, v.view.picture(), 1)));
  EXPECT_EQ(messages, 1);
  for (double scale : {0.0, -1.0, GraphView::maxPictureScale + 1, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_TRUE(v.view.picture(scale).isNull()) << scale;
}

// The layout's offsets assume an 8-point font of about 6 pixels a digit; the
// same file draws the same picture whatever font the application has.
TEST(GraphView, WindowFontIsLiberationSans8WhateverTheApplicationsFont) {
  const QFont saved = QApplication::font();
  QImage pictures[2];
  QFont fonts[2];
  for (int i = 0; i < 2; ++i) {
    if (i == 1) QApplication::setFont(QFont("DejaVu Serif", 14, QFont::Bold, true));
    fonts[i] = GraphView::windowFont();
    test::TempDir config;
    GraphView view(fonts[i], SettingsFile(config.path(), "/opt/vesk"), 15);
    view.openFile(test::sourcePath("examples/vesk.dat").string());
    pictures[i] = view.picture();
  }
  QApplication::setFont(saved);
  EXPECT_EQ(pictures[0], pictures[1]);
  for (const QFont &font : fonts) {
    EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
    EXPECT_NEAR(QFontInfo(font).pointSizeF(), 8, 0.3);  // a whole number of pixels
    EXPECT_NEAR(QFontMetricsF(font).horizontalAdvance("30000"), 30, 1.5);
  }
}

}  // namespace
}  // namespace vesk
