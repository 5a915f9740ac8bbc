#include "engine/TextSource.h"
#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/support/PieceSource.h"
#include "tests/support/RecordingSurface.h"
#include "tests/support/cVeskTestAccess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace vesk {
namespace {

using test::crlf;
using test::PieceSource;

// All that a load gives: the model written out, or the message of its failure.
std::string outcome(cVesk &engine, const std::function<void()> &load) {
  try {
    load();
  } catch (const LoadError &e) {
    return std::string("error: ") + e.what();
  }
  const GraphModel &g = engine.model();
  std::ostringstream out;
  out.precision(17);
  out << g.xTitle << '|' << g.yTitle << '|' << g.xMin << ' ' << g.xMax << ' ' << g.yMin << ' ' << g.yMax << '\n';
  for (const DataSet &s : g.dataSets) {
    if (!s.isLoaded) continue;
    out << s.labelCount << ' ' << s.pointCount << ' ' << s.markerStyle << ':';
    for (const DataPoint &p : s.points) out << ' ' << p.x << ',' << p.y << ',' << p.tag;
    for (const TextLabel &l : s.labels) out << " [" << l.text << "] " << l.x << ',' << l.y << ',' << l.angle;
    out << '\n';
  }
  return out.str();
}

const std::string streamedTexts[] = {
    crlf({"Time (s)", "Voltage (V)", "0 10 -5 5", "0 3 0 0", "0 0 0", "5 4.5 0", "10 -2 0", "1 2 0 3", "2 1 0 8 1 0",
          "2 3 0 30 Peak"}),
    // a comment line, numbers run together, a label on its own line, CR and any character as a line end
    "x\r\ny\r\n0 10 0 10\r\nthe comment line of this file\r\n1 2 0 1\r\n1.2345.678 0 3 4 1\rX1 1 0 45\r\n"
    "label text  \r\n",
    // no line end at the end, spaces in the middle
    "x\r\ny\r\n  0   10 0 10\r\n0 1 0 0\r\n1    1 1",
    // failures whose messages read the text around the token
    crlf({"x", "y", "0 10 0 10", "0 3 0 0", "1 1 0", "", "2 2 0"}),   // blank line
    crlf({"x", "y", "0 10 0 10 ", "0"}),                            // a space after a number
    crlf({"x", "y", "0 10 0 10", "0 3 0 0", "1 1 0"}),              // the file ends
    "x\r\ny\r\n0 10 0 10\r\n0 3 0 0\r\n1 1 0   ",                   // ends in spaces
    "x\r\ny\r\n0 10 0 10\r\n0 3 0 0\r\n1 1 0\r",                    // ends in a CR
    crlf({"x", "y", "0 10 0 10", "0 2 0 0", "1 1 0", "2 2 0", "1 2 0 0"}),  // a header after a set, wrong
    crlf({"x", "y", "0 10 0 10", "1 1 0 0", "1 1 1e99999"}),
    crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1 4,5 0"}),
    "x\r\ny\r\n0 10 0 10\r\n1\r\n1 1 0 0\r\n   ",  // a label text of spaces at the end
};

TEST(StreamedLoading, EveryPieceSizeAndEverySplitLoadsAsTheWholeText) {
  test::FakeMainForm form;
  test::RecordingSurface picture{7200, 4800};
  cVesk whole(form), streamed(form);
  for (const std::string &text : streamedTexts) {
    const std::string expected = outcome(whole, [&] { whole.veskFromData(text, picture); });
    SCOPED_TRACE(::testing::PrintToString(text) + " -> " + expected);
    // A token cut in two, a CR as the last character of a piece, a line end's second character in the next.
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7)}) {
      PieceSource source(text, piece);
      EXPECT_EQ(outcome(streamed, [&] { cVeskTestAccess::load(streamed, source, picture); }), expected)
          << "pieces of " << piece;
    }
    for (std::size_t at = 1; at < text.size(); ++at) {
      PieceSource source(text, text.size(), at);
      EXPECT_EQ(outcome(streamed, [&] { cVeskTestAccess::load(streamed, source, picture); }), expected)
          << "split at " << at;
    }
  }
}

TEST(StreamedLoading, CountsPastSixteenBitsLoadAndCountsNotPresentFailAtTheEnd) {
  test::FakeMainForm form;
  test::RecordingSurface picture{7200, 4800};
  cVesk engine(form);
  // 32,768 points and, in the short header's five characters, 32,768 labels.
  std::string text = crlf({"x", "y", "0 10 0 10", "0 32768 0 1"});
  for (int i = 0; i < 32768; ++i) text += std::to_string(i % 10) + " 1 " + std::to_string(i % 30000) + "\r\n";
  text += "32768\r\n";
  for (int i = 0; i < 32768; ++i) text += "1 2 0 0 L\r\n";
  engine.veskFromData(text, picture);
  ASSERT_EQ(engine.model().dataSets[0].points.size(), 32768u);
  EXPECT_EQ(engine.model().dataSets[0].pointCount, 32768);
  EXPECT_EQ(engine.model().dataSets[0].points.back().tag, 32767 % 30000);
  EXPECT_EQ(engine.model().dataSets[1].labelCount, 32768);
  EXPECT_EQ(engine.model().dataSets[1].labels.size(), 32768u);

  struct Declared {
    std::string header;
    std::string message;
  };
  // After a comment line, so that a header of more than 16 characters is read as one.
  const std::string comment = "headers of more than 16 characters";
  const Declared declared[] = {
      {"0 2147483647 0 0",
       "Line 6: the file ends where the y of point 1 in data set 1 was expected. Data set 1 (header on line 5) "
       "declares 2147483647 points and 0 labels; check those numbers."},
      {"2147483647 0 0 0",
       "Line 6: the file ends where the y of label 1 in data set 1 was expected. Data set 1 (header on line 5) "
       "declares 0 points and 2147483647 labels; check those numbers."},
      {"0 2147483648 0 0",
       "Line 5: expected a whole number from -2147483648 to 2147483647 for the point count in the header of data "
       "set 1, found \"2147483648\"."},
      {"-2147483649 0 0 0",
       "Line 5: expected a whole number from -2147483648 to 2147483647 for the label count in the header of data "
       "set 1, found \"-2147483649\"."},
      {"0 32768 0 32768",
       "Line 5: expected a whole number from -32768 to 32767 for the marker style in the header of data set 1, "
       "found \"32768\"."},
  };
  for (const Declared &d : declared) {
    SCOPED_TRACE(d.header);
    // No memory is claimed for what the header declares but the text cannot hold.
    EXPECT_EQ(outcome(engine, [&] { engine.veskFromData(crlf({"x", "y", "0 10 0 10", comment, d.header, "1"}), picture); }),
              "error: " + d.message);
  }
  // A negative count reads nothing, as before.
  engine.veskFromData(crlf({"x", "y", "0 10 0 10", comment, "0 -2147483648 0 0"}), picture);
  EXPECT_TRUE(engine.model().dataSets[0].points.empty());
}

class StreamedFile : public ::testing::Test {
protected:
  test::FakeMainForm form;
  test::RecordingSurface picture{7200, 4800};
  cVesk engine{form};
  test::TempDir files;
  std::vector<double> progress;

  std::string write(const std::string &name, const std::string &bytes) {
    const auto path = files.path() / name;
    test::writeFile(path, bytes);
    return path.string();
  }
};

TEST_F(StreamedFile, AFileOverTheLimitIsRefusedBeforeItIsRead) {
  const std::string path = (files.path() / "sparse.dat").string();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t(cVesk::maxTextLength) + 1), 0);  // sparse: nothing is written
  ::close(fd);
  engine.setProgress([&](double share) {
    progress.push_back(share);
    return true;
  });
  try {
    engine.veskFromFile(path, picture);
    FAIL() << "loaded";
  } catch (const LoadError &e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot load \"" + path +
                  "\": the file has more than 2147483648 characters, the most a data file holds. Vesk reads at most "
                  "2,147,483,648 characters; this file has 2,147,483,649. Remove points or split the file.");
  }
  EXPECT_TRUE(progress.empty());
}

TEST_F(StreamedFile, ABigFileReportsItsProgressAndCanBeCancelled) {
  // Some 4 MB with LF line ends, read through several buffers.
  std::string text = "x\ny\n0 100000 0 10\n0 300000 0 0\n";
  for (int i = 0; i < 300000; ++i) text += std::to_string(i) + ".25 " + std::to_string(i % 10) + " 0\n";
  text += "\n\n   \n";
  const std::string path = write("big.dat", text);
  engine.setProgress([&](double share) {
    progress.push_back(share);
    return true;
  });
  engine.veskFromFile(path, picture);
  ASSERT_EQ(engine.model().dataSets[0].points.size(), 300000u);
  EXPECT_EQ(engine.model().dataSets[0].points.back().x, 299999.25);
  ASSERT_GE(progress.size(), 3u);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 1);

  // Cancelled part-way: nothing of the file is kept.
  int calls = 0;
  engine.setProgress([&](double) { return ++calls < 2; });
  EXPECT_THROW(engine.veskFromFile(path, picture), LoadCancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(engine.model().dataSets.empty());
}

}  // namespace
}  // namespace vesk
