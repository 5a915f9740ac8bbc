#include "view/GraphView.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "view/GraphLayout.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace vesk {
namespace {

struct View {
  test::TempDir config;
  GraphView view{GraphView::windowFont(), SettingsFile(config.path(), "/opt/vesk"), 15};
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

// A file that fails changes nothing: the engine, its picture and the graph
// area's coordinates stay those of the graph loaded before.
TEST(GraphView, FailedOpenFileKeepsTheGraphShown) {
  View v;
  v.view.openFile(test::sourcePath("examples/vesk.dat").string());
  const QImage before = v.view.picture();
  const cVesk *engine = v.view.currentVesk.get();
  const QtSurface &area = v.view.mainPicture();
  const std::array<double, 4> scale{area.ScaleLeft(), area.ScaleTop(), area.ScaleWidth(), area.ScaleHeight()};
  // The loader fails after it has set the graph area's scale to other limits, and before.
  const auto late = v.config.path() / "late.dat";
  test::writeFile(late, "x\r\ny\r\n0 1000 0 7\r\n0 1 0 0\r\n1 abc 0\r\n");
  for (const auto &bad : {late, v.config.path() / "missing.dat"}) {
    try {
      v.view.openFile(bad.string());
      FAIL() << bad << " must not load";
    } catch (const LoadError &e) {
      EXPECT_NE(std::string(e.what()).find(bad.filename().string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(v.view.currentVesk.get(), engine);
    EXPECT_EQ(v.view.engine().model().xTitle, "Time (s)");
    EXPECT_EQ(v.view.picture(), before);
    EXPECT_EQ((std::array<double, 4>{area.ScaleLeft(), area.ScaleTop(), area.ScaleWidth(), area.ScaleHeight()}),
              scale);
  }
}

// A file that fails changes nothing: the graph shown, its engine and its coordinates stay.
TEST(GraphView, FailedOpenFileLeavesTheGraphShown) {
  View v;
  v.view.openFile(test::sourcePath("examples/vesk.dat").string());
  v.view.zoom(2, 4, 7, -2);
  const QImage zoomed = v.view.picture(), twice = v.view.picture(2);
  const double left = v.view.mainPicture().ScaleLeft(), width = v.view.mainPicture().ScaleWidth();
  try {
    v.view.openFile(test::sourcePath("tests/data/decimal-comma.dat").string());
    FAIL() << "a decimal comma must not load";
  } catch (const LoadError &e) {
    EXPECT_NE(std::string(e.what()).find("decimal-comma.dat"), std::string::npos) << e.what();
  }
  EXPECT_EQ(v.view.engine().model().xTitle, "Time (s)");
  EXPECT_EQ(v.view.picture(), zoomed);
  EXPECT_EQ(v.view.picture(2), twice) << "the zoomed view is still the one drawn again";
  EXPECT_EQ(v.view.mainPicture().ScaleLeft(), left);
  EXPECT_EQ(v.view.mainPicture().ScaleWidth(), width);
}

// Vector output draws the view that is shown: a zoomed view's drawing differs from the full view's.
TEST(GraphView, PaintDrawsTheShownView) {
  View v;
  v.view.openFile(test::sourcePath("examples/vesk.dat").string());
  const auto painted = [&v] {
    QImage image(720, 478, QImage::Format_RGB32);
    QPainter painter(&image);
    v.view.paint(painter, 1.0 / 15);
    return image;
  };
  const auto differing = [](const QImage &a, const QImage &b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) n += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64;
    return n;
  };
  const QImage full = painted();
  v.view.zoom(2, 4, 7, -2);
  const QImage zoomed = painted(), shown = v.view.picture().convertToFormat(QImage::Format_RGB32);
  // Antialiased paths and text differ from the raster picture by a few pixels, another view by thousands.
  EXPECT_LT(differing(zoomed, shown) * 4, differing(full, shown));
  v.view.refresh();
  const QImage withLabels = v.view.picture();
  v.view.NoLables = true;
  v.view.refresh();
  v.view.NoLables = false;
  const QImage bare = painted();
  EXPECT_LT(differing(bare, v.view.picture()), differing(bare, withLabels)) << "the labels stay out";
}

// A graph with no data sets, only its axes.
std::string axes(double xMin, double xMax, double yMin, double yMax) {
  const auto n = [](double v) { return QString::number(v, 'g', 17).toStdString(); };
  return "x\r\ny\r\n" + n(xMin) + " " + n(xMax) + " " + n(yMin) + " " + n(yMax) + "\r\n0\r\n";
}

// The rows from top to bottom (not included) whose pixel in the column is not back.
std::vector<int> inkRows(const QImage &picture, int column, int bottom, QColor back, int top = 0) {
  std::vector<int> rows;
  for (int y = top; y < bottom; ++y)
    if (picture.pixelColor(column, y) != back) rows.push_back(y);
  return rows;
}

// Pixels at 15 twips per pixel: beside the graph area this column of the y
// strip crosses only the ticks (its last 150 twips).
constexpr int strip = int(layout::yStrip.width - 100) / 15, stripBottom = int(layout::yStrip.height) / 15;

// The tick rows of a picture at scale 1 or 2, as rows at scale 1.
std::vector<int> tickRows(GraphView &view, const QImage &picture, int scale = 1) {
  std::vector<int> rows = inkRows(picture, scale * strip, scale * stripBottom, view.stripBackground()), out;
  for (size_t i = 0; i < rows.size(); i += scale) {
    if (scale == 2 && (i + 1 >= rows.size() || rows[i] % 2 || rows[i + 1] != rows[i] + 1)) return {-1};
    out.push_back(rows[i] / scale);
  }
  return out;
}

struct RowCase {
  double yMin, yMax, first, step;
  int ticks;
};

void PrintTo(const RowCase &c, std::ostream *os) { *os << c.yMin << ".." << c.yMax; }

class TickRows : public ::testing::TestWithParam<RowCase> {};

// Each y tick (ticks run from end to end of the axis) lies on the very row
// where a 1-pixel line at its value shows in the graph area, also drawn again
// at scale 2; no label comes within 2 pixels of its tick.
TEST_P(TickRows, EveryYTickLiesOnTheRowOfItsValue) {
  const RowCase c = GetParam();
  View v;
  v.view.openData(axes(0, 1, c.yMin, c.yMax));
  v.view.mainPicture().setDrawWidth(1);
  for (int i = 0; i < c.ticks; ++i) v.view.mainPicture().Line(0, c.first + i * c.step, 1, c.first + i * c.step);
  const QImage picture = v.view.picture();
  const int graphTop = v.view.position(v.view.mainPicture()).y();
  EXPECT_EQ(tickRows(v.view, picture), inkRows(picture, 300, stripBottom, Qt::white, graphTop));
  EXPECT_EQ(tickRows(v.view, v.view.picture(2), 2), tickRows(v.view, picture));
  for (int column : {strip - 5, strip - 4})
    EXPECT_EQ(inkRows(picture, column, stripBottom, v.view.stripBackground()), std::vector<int>()) << column;
}

INSTANTIATE_TEST_SUITE_P(GraphView, TickRows,
                         ::testing::Values(RowCase{-1000, -990, -1000, 1, 11}, RowCase{0, 30000, 0, 5000, 7},
                                           RowCase{-40000, 40000, -40000, 10000, 9}, RowCase{6.5, 8.5, 6.6, 0.2, 10},
                                           RowCase{0, 1e-5, 0, 1e-6, 11}, RowCase{-10000, 30000, -10000, 5000, 9}));

// At another scale the view shown is drawn again, zoomed if it was, without
// repeating a message.
TEST(GraphView, PictureAtAScaleDrawsTheShownViewAgain) {
  View v;
  int messages = 0;
  v.view.messageBox = [&](const std::string &, const std::string &) { ++messages; };
  v.view.openData(axes(0, 100, 0, 100));
  for (double startY : {50, 20}) {  // the second corner order is refused, with the full view
    v.view.zoom(10, startY, 50, 30);
    EXPECT_EQ(tickRows(v.view, v.view.picture(2), 2), tickRows(v.view, v.view.picture())) << startY;
  }
  EXPECT_EQ(messages, 1);
  for (double scale : {0.0, GraphView::maxPictureScale + 1, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_TRUE(v.view.picture(scale).isNull()) << scale;
}

// The layout assumes an 8-point font of about 6 pixels a digit; a file draws
// the same picture whatever font the application has.
TEST(GraphView, WindowFontIsLiberationSans8WhateverTheApplicationsFont) {
  const QFont saved = QApplication::font();
  QFont odd("DejaVu Serif", 14, QFont::Bold, true);
  odd.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  odd.setStretch(QFont::Expanded);
  QImage pictures[2];
  for (QImage &picture : pictures) {
    View v;
    v.view.openFile(test::sourcePath("examples/vesk.dat").string());
    picture = v.view.picture();
    QApplication::setFont(odd);
  }
  const QFont font = GraphView::windowFont();
  QApplication::setFont(saved);
  EXPECT_EQ(pictures[0], pictures[1]);
  EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
  EXPECT_NEAR(QFontInfo(font).pointSizeF(), 8, 0.3);  // a whole number of pixels
  EXPECT_NEAR(QFontMetricsF(font).horizontalAdvance("30000"), 30, 1.5);
}

// Each y tick label's ink sits at one place about its tick's row, whatever
// its value: a label one pixel higher or lower than the layout puts it reads
// as the neighbouring value's.
TEST(GraphView, EveryYTickLabelSitsAtTheSameHeightAboutItsTick) {
  View v;
  v.view.openData(axes(0, 1, -5, 5));
  const QImage picture = v.view.picture();
  const std::vector<int> ticks = tickRows(v.view, picture);
  // -5's tick lies on the strip's last row, out of tickRows' reach.
  ASSERT_EQ(ticks.size(), 10u);
  for (int row : ticks) {
    int top = -1, bottom = -1;
    for (int y = std::max(0, row - 12); y <= std::min(stripBottom - 1, row + 12); ++y)
      // Right of the y title's column, left of the tick.
      for (int x = 40; x < strip - 6; ++x)
        if (picture.pixelColor(x, y) != v.view.stripBackground()) {
          if (top < 0) top = y;
          bottom = y;
        }
    EXPECT_EQ(top - row, -3) << "the label of the tick on row " << row;
    EXPECT_EQ(bottom - row, 4) << "the label of the tick on row " << row;
  }
}

}  // namespace
}  // namespace vesk
