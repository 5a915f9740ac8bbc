#include "view/GraphView.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>
#include <QApplication>

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

}  // namespace
}  // namespace vesk
