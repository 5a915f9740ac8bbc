// Inputs that once crashed or hung the loader or the drawing, and hand-made
// ones on the same edges: each loads or fails with a LoadError, and a refresh
// on the window's surfaces then finishes.
#include "engine/cVesk.h"
#include "surface/QtSurface.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingSurface.h"
#include "view/GraphLayout.h"
#include "view/GraphView.h"

#include <gtest/gtest.h>
#include <QApplication>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace vesk {
namespace {

using test::crlf;

using test::readFile;

// Loads a text on a fresh engine; the LoadError's message, or "" when it loaded.
template <class Picture1>
std::string loadInto(cVesk &engine, const std::string &text, Picture1 &picture1) {
  try {
    engine.veskFromData(text, picture1);
  } catch (const LoadError &e) {
    return e.what()[0] ? e.what() : "(empty message)";
  }
  return {};
}

// The main window's three surfaces, 15 twips per pixel.
struct RealWindow {
  test::TempDir config;
  GraphView view{QApplication::font(), SettingsFile(config.path(), "/opt/vesk"), 15, Qt::white, Qt::black};

  std::string loadAndRefresh(const std::string &text) {
    try {
      view.openData(text);
    } catch (const LoadError &e) {
      view.refresh();
      return e.what()[0] ? e.what() : "(empty message)";
    }
    return {};
  }
};

// The same layout on recording surfaces, to see what was drawn.
struct RecordedWindow {
  test::FakeMainForm main;
  cVesk engine{main};
  test::RecordingSurface picture1{layout::graphArea.width, layout::graphArea.height},
      picture2{layout::yStrip.width, layout::yStrip.height}, picture3{layout::xStrip.width, layout::xStrip.height};

  std::string loadAndRefresh(const std::string &text) {
    const std::string error = loadInto(engine, text, picture1);
    engine.refresh(picture1, picture3, picture2);
    return error;
  }
  // Prints in the given surface's own font: tick labels, not titles or label texts.
  static std::size_t tickLabels(const test::RecordingSurface &s) {
    const auto prints = s.named("Print");
    return std::size_t(std::count_if(prints.begin(), prints.end(), [](const auto &o) { return o.font.face.empty(); }));
  }
  std::vector<test::RecordedOp> labelPrints() const { return picture1.named("Print"); }
};

std::vector<std::filesystem::path> storedInputs() {
  std::vector<std::filesystem::path> files;
  for (const auto &entry : std::filesystem::directory_iterator(test::sourcePath("tests/data/fuzz")))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(FuzzRegressions, EveryStoredInputLoadsOrFailsWithAMessageAndThenDraws) {
  const auto files = storedInputs();
  ASSERT_FALSE(files.empty());
  for (const auto &file : files) {
    SCOPED_TRACE(file.filename().string());
    const std::string text = readFile(file);
    RealWindow real;
    const std::string error = real.loadAndRefresh(text);
    if (!error.empty()) {
      EXPECT_TRUE(real.view.engine().model().dataSets.empty()) << error;
    }
    EXPECT_EQ(real.view.mainPicture().image().size(), QSize(640, 407));
    EXPECT_EQ(real.view.xPicture().image().size(), QSize(664, 57));

    RecordedWindow recorded;
    EXPECT_EQ(recorded.loadAndRefresh(text), error);
  }
}

TEST(FuzzRegressions, SmallestDoubleAsXRangeGetsNoXTicksButTheYAxisStillTicks) {
  RecordedWindow w;
  ASSERT_EQ(w.loadAndRefresh(readFile(test::sourcePath("tests/data/fuzz/denormal-x-range.dat"))), "");
  EXPECT_TRUE(w.picture3.named("Line").empty());
  // 0 to 0 on the y axis is widened to -0.5 to 0.5.
  EXPECT_EQ(w.picture2.named("Line").size(), 11u);
}

// A text of exactly length characters: a graph with one label whose text fills the rest.
std::string withLabelFilling(std::size_t length) {
  std::string text = crlf({"x", "y", "0 10 0 10", "1", "5 5 0 30 "});
  text.insert(text.size() - 2, std::string(length - text.size(), 'W'));
  return text;
}

// A graph of n labels, each at its own angle and with its own text.
std::string manyLabels(int n) {
  std::string text = crlf({"x", "y", "-3 7 -100 100", std::to_string(n)});
  for (int i = 0; i < n; ++i)
    text += std::to_string(i % 10) + " " + std::to_string(i % 200 - 100) + " 0 " + std::to_string(i % 360) + " L" +
            std::to_string(i) + "\r\n";
  return text;
}

// 401 data sets of one circle marker each, placed far outside the graph.
std::string farMarkers() {
  std::string text = crlf({"x", "y", "0 10 0 10"});
  for (int i = 0; i < GraphModel::maxDataSets; ++i) text += crlf({"0 1 0 8", "1e300 -1e300 0"});
  return text;
}

struct EdgeCase {
  const char *name;
  std::string text;
  bool loads;
  int xTicks = -1;  // -1: not checked
  int yTicks = -1;
  int labels = -1;  // label texts printed in the graph area
};

void PrintTo(const EdgeCase &c, std::ostream *os) { *os << c.name; }

class FuzzEdgeCases : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(FuzzEdgeCases, LoadsOrFailsAsExpectedAndDrawsThis) {
  const EdgeCase &c = GetParam();

  RealWindow real;
  EXPECT_EQ(real.loadAndRefresh(c.text).empty(), c.loads);

  RecordedWindow w;
  const std::string error = w.loadAndRefresh(c.text);
  EXPECT_EQ(error.empty(), c.loads) << error;
  if (c.xTicks >= 0) {
    EXPECT_EQ(w.picture3.named("Line").size(), std::size_t(c.xTicks));
    EXPECT_EQ(RecordedWindow::tickLabels(w.picture3), std::size_t(c.xTicks));
  }
  if (c.yTicks >= 0) {
    EXPECT_EQ(w.picture2.named("Line").size(), std::size_t(c.yTicks));
    EXPECT_EQ(RecordedWindow::tickLabels(w.picture2), std::size_t(c.yTicks));
  }
  if (c.labels >= 0) {
    EXPECT_EQ(w.labelPrints().size(), std::size_t(c.labels));
  }
}

INSTANTIATE_TEST_SUITE_P(
    FuzzRegressions, FuzzEdgeCases,
    ::testing::Values(
        EdgeCase{"SmallestDoublesOnBothAxes", crlf({"x", "y", "0 5e-324 -5e-324 0", "0"}), true, 0, 0, 0},
        EdgeCase{"DenormalRanges", crlf({"x", "y", "1e-320 0 0 1e-315", "0"}), true, 0, 0, 0},
        // every finite axis is ticked from end to end, whatever its size
        EdgeCase{"RangesOf1e308", crlf({"x", "y", "0 1e308 0 1e308", "1 2 0 1", "0 0 0 1e308 1e308 0", "0 0 0 45 big"}),
                 true, 11, 11, 1},
        EdgeCase{"YAxisLongerThanTheLargestDouble", crlf({"x", "y", "0 1 -1e308 1e308", "0"}), false},
        EdgeCase{"XAxisLongerThanTheLargestDouble", crlf({"x", "y", "-1e308 1e308 0 1", "0"}), false},
        EdgeCase{"NumberBeyondTheLargestDouble", crlf({"x", "y", "0 1e309 0 1", "0"}), false},
        EdgeCase{"NanIsNotANumber", crlf({"x", "y", "nan 1 0 1", "0"}), false},
        EdgeCase{"InfIsNotANumber", crlf({"x", "y", "0 inf 0 1", "0"}), false},
        EdgeCase{"EqualLimitsWithALabel", crlf({"x", "y", "1 1 1 1", "1", "1 1 0 0 no room"}), false},
        // widened to 0.5 .. 1.5 on both axes
        EdgeCase{"EqualLimitsWithPointsOnly", crlf({"x", "y", "1 1 1 1", "0 2 0 0", "1 1 0 1 1 0"}), true, 11, 11, 0},
        EdgeCase{"LabelAt90DegreesOnAHairThinYRange",
                 crlf({"x", "y", "0 10 1 1.000000000001", "2", "5 1 0 90 up", "5 1 0 -90 down"}), true, 11, -1, 2},
        EdgeCase{"HugeAngle", crlf({"x", "y", "0 10 0 10", "1", "5 5 0 1e300 spin"}), true, 11, 11, 1},
        EdgeCase{"Full16BitRange", crlf({"x", "y", "-32768 32767 32767 -32768", "0"}), true, 7, 7, 0},
        EdgeCase{"JustBeyond16Bits", crlf({"x", "y", "-32769 32767 -0.5 32767.5", "0"}), true, 7, 7, 0},
        EdgeCase{"LabelOf32767Characters", withLabelFilling(32767), true, 11, 11, 1},
        // beyond the 16-bit lengths of old
        EdgeCase{"TextOf32768Characters", withLabelFilling(32768), true, 11, 11, 1},
        EdgeCase{"TextOf100000Characters", withLabelFilling(100000), true, 11, 11, 1},
        EdgeCase{"FifteenHundredLabelsAtTheirOwnAngles", manyLabels(1500), true, 11, 11, 1500},
        EdgeCase{"FourHundredAndOneFarMarkers", farMarkers(), true, 11, 11, 0}));

TEST(FuzzRegressions, LabelOnAxesNearTheLargestDoubleIsRaisedByItsHeightWithoutOverflow) {
  RecordedWindow w;
  ASSERT_EQ(w.loadAndRefresh(crlf({"x", "y", "0 1e308 -1e308 0", "1", "0 -1e308 0 0 low"})), "");
  ASSERT_EQ(w.labelPrints().size(), 1u);
  EXPECT_DOUBLE_EQ(w.labelPrints()[0].y1, -1e308 + 195.0 / layout::graphArea.height * 1e308);
}

TEST(FuzzRegressions, LabelRaisedBeyondTheLargestDoubleLoadsAndIsLeftOut) {
  RecordedWindow w;
  ASSERT_EQ(w.loadAndRefresh(crlf({"x", "y", "0 1e308 0 1e308", "1", "0 1.79e308 0 0 top"})), "");
  EXPECT_TRUE(w.labelPrints().empty());
}

TEST(FuzzRegressions, EveryLabelOfALargeFileIsDrawnAtItsOwnAngle) {
  RecordedWindow w;
  ASSERT_EQ(w.loadAndRefresh(manyLabels(360)), "");
  const auto prints = w.labelPrints();
  ASSERT_EQ(prints.size(), 360u);
  // Angle 0 stays 0; the others keep their quadrant.
  EXPECT_EQ(prints[0].font.escapement, 0);
  EXPECT_GT(prints[45].font.escapement, 0);
  EXPECT_LT(prints[45].font.escapement, 900);
  EXPECT_LT(prints[135].font.escapement, 0);
}

// A line on a 100 x 100 pixel surface where one user unit is one pixel.
struct FarLine {
  const char *name;
  double x1, y1, x2, y2;
  int drawWidth;
  int row;  // a row the line must cross from edge to edge, or -1: only that it finishes
};

void PrintTo(const FarLine &c, std::ostream *os) { *os << c.name; }

class FarLines : public ::testing::TestWithParam<FarLine> {};

TEST_P(FarLines, AreClippedToTheImageWithoutOverflow) {
  const FarLine &c = GetParam();
  QtSurface s(1500, 1500, 15, Qt::white, Qt::black, QApplication::font());
  s.Scale(0, 0, 100, 100);
  s.setDrawWidth(c.drawWidth);
  s.Line(c.x1, c.y1, c.x2, c.y2);
  const QImage &img = s.image();
  if (c.row >= 0) {
    EXPECT_EQ(img.pixelColor(0, c.row), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(99, c.row), QColor(Qt::black));
  }
}

INSTANTIATE_TEST_SUITE_P(FuzzRegressions, FarLines,
                         ::testing::Values(FarLine{"EndsAtBothExtremesOfTheDoubles", -1.7e308, 50, 1.7e308, 50, 1, 50},
                                           FarLine{"EndsAtBothExtremesWide", -1.7e308, 50, 1.7e308, 50, 2, 50},
                                           FarLine{"DiagonalThroughTheImageFromFarOut", -1.7e308, -1.7e308, 1.7e308,
                                                   1.7e308, 1, -1},
                                           FarLine{"SteepFromFarOut", 3e287, -3e300, -3e287, 3e300, 2, -1},
                                           FarLine{"FarOnOneSideOnly", -1e300, 20, 50, 20, 1, -1}));

}  // namespace
}  // namespace vesk
