#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingSurface.h"
#include "tests/support/cVeskTestAccess.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <iomanip>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vesk {
namespace {

class Open : public ::testing::Test {
protected:
  test::FakeMainForm form;
  test::RecordingSurface mainPicture{7200, 4800};
  test::RecordingSurface xPicture{7200, 600};
  test::RecordingSurface yPicture{900, 4800};
  cVesk engine{form};
  test::TempDir files;

  std::string writeFile(const std::string &name, const std::string &bytes) {
    const auto path = files.path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  bool open(const std::string &answer) {
    form.openAnswer = answer;
    return engine.vesk(form, mainPicture, xPicture, yPicture);
  }
  // The message of the failed open, or nullopt when it succeeded.
  std::optional<std::string> failure(const std::string &answer) {
    try {
      open(answer);
    } catch (const LoadError &e) {
      return e.what();
    }
    return std::nullopt;
  }
  void expectOnlyCleared() {
    for (const auto *s : {&mainPicture, &xPicture, &yPicture}) {
      ASSERT_FALSE(s->ops.empty());
      for (const auto &op : s->ops) EXPECT_EQ(op.name, "Cls");
    }
  }
};

TEST_F(Open, DialogStartsInTheDefaultDirectoryWithVeskDatProposed) {
  form.settingsFile.setString("Options", "Default Directory", "/srv/graphs");
  open("");
  form.settingsFile.setString("Options", "Default Directory", "/srv/other");
  open("");
  ASSERT_EQ(form.openCalls.size(), 2u);
  EXPECT_EQ(form.openCalls[0].initDir, "/srv/graphs");
  EXPECT_EQ(form.openCalls[0].fileName, "vesk.dat");
  EXPECT_EQ(form.openCalls[1].initDir, "/srv/other");
}

TEST_F(Open, CancelReturnsFalseAndLeavesTheSurfacesClearedAndTheModelAlone) {
  ASSERT_TRUE(open(test::sourcePath("tests/data/worked-example.dat").string()));
  const std::string title = engine.model().xTitle;
  for (auto *s : {&mainPicture, &xPicture, &yPicture}) s->ops.clear();
  EXPECT_FALSE(open(""));
  expectOnlyCleared();
  EXPECT_EQ(mainPicture.DrawWidth(), 2);
  EXPECT_EQ(xPicture.DrawWidth(), 1);
  EXPECT_EQ(yPicture.DrawWidth(), 1);
  EXPECT_EQ(engine.model().xTitle, title);
  EXPECT_TRUE(engine.model().dataSets[1].isLoaded);
}

TEST_F(Open, LoadsAndDrawsAFileWithTwoPixelDataLines) {
  mainPicture.setDrawWidth(5);
  EXPECT_TRUE(open(test::sourcePath("tests/data/worked-example.dat").string()));
  EXPECT_EQ(engine.model().xTitle, "Time (s)");
  EXPECT_TRUE(engine.model().dataSets[1].isLoaded);
  const auto lines = mainPicture.named("Line");
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const auto &l) { return l.drawWidth == 2; }));
  EXPECT_FALSE(xPicture.named("Line").empty());
}

TEST_F(Open, LfOnlyFileLoadsLikeCrLf) {
  ASSERT_TRUE(open(test::sourcePath("tests/data/worked-example.dat").string()));
  const GraphModel crlf = engine.model();
  const auto crlfOps = mainPicture.ops;
  mainPicture.ops.clear();
  ASSERT_TRUE(open(test::sourcePath("tests/data/worked-example-lf.dat").string()));
  const GraphModel &lf = engine.model();
  EXPECT_EQ(lf.xTitle, crlf.xTitle);
  EXPECT_EQ(lf.yTitle, crlf.yTitle);
  ASSERT_TRUE(lf.dataSets[1].isLoaded);
  EXPECT_FALSE(lf.dataSets[2].isLoaded);
  EXPECT_EQ(lf.dataSets[1].labels[0].text, "Peak");
  EXPECT_EQ(lf.dataSets[1].labels[0].angle, crlf.dataSets[1].labels[0].angle);
  EXPECT_EQ(lf.dataSets[0].points[1].y, 4.5);
  EXPECT_EQ(mainPicture.ops.size(), crlfOps.size());
}

TEST_F(Open, FileThatCannotBeReadIsNamed) {
  const std::string missing = (files.path() / "missing.dat").string();
  EXPECT_EQ(failure(missing), "Cannot read \"" + missing + "\": No such file or directory.");
  EXPECT_EQ(failure(files.path().string()), "Cannot read \"" + files.path().string() + "\": Is a directory.");
  if (geteuid() != 0) {
    const std::string locked = writeFile("locked.dat", "x");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    EXPECT_EQ(failure(locked), "Cannot read \"" + locked + "\": Permission denied");
  }
  expectOnlyCleared();
}

TEST_F(Open, LoadFailureNamesTheFileAndDrawsNothing) {
  const std::string empty = writeFile("empty.dat", "");
  EXPECT_EQ(failure(empty), "Cannot load \"" + empty + "\": the file is empty.");
  const std::string comma = test::sourcePath("tests/data/decimal-comma.dat").string();
  EXPECT_EQ(failure(comma), "Cannot load \"" + comma +
                                "\": line 6: expected a number for the y of point 2 in data set 1, found \"4,5\". "
                                "Use '.' as the decimal point.");
  expectOnlyCleared();
  EXPECT_TRUE(engine.model().dataSets.empty());
}

TEST_F(Open, LengthLimitCountsLineEndsAsCrLf) {
  // The limit as it was, so that the texts on both sides of it stay small.
  constexpr std::uint64_t limit = 32767;
  std::optional<std::string> error;
  auto openWithin = [&](const std::string &path) {
    error.reset();
    try {
      cVeskTestAccess::veskFromFile(engine, path, mainPicture, limit);
    } catch (const LoadError &e) {
      error = e.what();
    }
    return !error;
  };
  const std::string tail = "\ny\n0 10 0 10\n0\n";
  EXPECT_TRUE(openWithin(writeFile("fits.dat", std::string(limit - 2 * tail.size(), 'x') + tail)));
  const std::string over = writeFile("over.dat", std::string(limit - tail.size(), 'x') + tail);
  EXPECT_FALSE(openWithin(over));
  EXPECT_EQ(error, "Cannot load \"" + over +
                       "\": the file has 32771 characters once each line end is counted as CR LF; a data "
                       "file holds at most 32767. Vesk reads at most 32,767 characters; this file has 32,771. "
                       "Remove points or split the file.");
  const std::string huge = writeFile("huge.dat", std::string(100000, 'x'));
  EXPECT_FALSE(openWithin(huge));
  EXPECT_EQ(error, "Cannot load \"" + huge +
                       "\": the file has more than 32767 characters, the most a data file holds. Vesk reads "
                       "at most 32,767 characters; this file has 100,000. Remove points or split the file.");
  // Refused before it is read: the size on disk is the count.
  const std::string vast = writeFile("vast.dat", std::string(3'000'000, 'x'));
  EXPECT_FALSE(openWithin(vast));
  EXPECT_EQ(error, "Cannot load \"" + vast +
                       "\": the file has more than 32767 characters, the most a data file holds. Vesk reads "
                       "at most 32,767 characters; this file has 3,000,000. Remove points or split the file.");
}

// The bytes of text in UTF-16 after a byte-order mark.
std::string utf16(const std::u16string &text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = char(unit >> 8), low = char(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST_F(Open, Utf16WithAByteOrderMarkLoadsAsUtf8) {
  // LF line ends and a blank last line too: the other two mappings work on the decoded text.
  const std::u16string text = u"Temp \u00B0C\n\U0001F600 \xD800!\n0 10 0 10\n1\n1 1 0 0 caf\u00E9\n\n";
  for (const bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    ASSERT_TRUE(open(writeFile("utf16.dat", utf16(text, bigEndian))));
    const GraphModel &g = engine.model();
    EXPECT_EQ(g.xTitle,
              "Temp \xC2\xB0"
              "C");
    EXPECT_EQ(g.yTitle, "\xF0\x9F\x98\x80 \xEF\xBF\xBD!");  // an unpaired surrogate becomes U+FFFD
    EXPECT_EQ(g.dataSets[0].labels[0].text, "caf\xC3\xA9");
  }
  const std::string odd = writeFile("odd.dat", utf16(u"x\ny\n0 10 0 10\n0\n", false) + "7");
  EXPECT_NE(failure(odd).value_or("").find("found \"\xEF\xBF\xBD\""), std::string::npos);
}

TEST_F(Open, LengthLimitAppliesToTheTextAfterMapping) {
  const std::string graph = std::string(20000, 'x') + "\ny\n0 10 0 10\n0\n";
  std::u16string wide(graph.begin(), graph.end());
  ASSERT_TRUE(open(writeFile("wide.dat", utf16(wide, false))));
  EXPECT_EQ(engine.model().xTitle.size(), 20000u);
  ASSERT_TRUE(open(writeFile("spaces.dat", graph + std::string(40000, ' '))));
  EXPECT_EQ(engine.model().xTitle.size(), 20000u);
}

// Everything drawn, one line per operation.
std::vector<std::string> drawn(const test::RecordingSurface &s) {
  std::vector<std::string> out;
  for (const auto &o : s.ops) {
    std::ostringstream line;
    line << std::setprecision(17) << o.name << ' ' << o.x1 << ' ' << o.y1 << ' ' << o.x2 << ' ' << o.y2 << ' '
         << o.drawWidth << " [" << o.text << "] " << o.font.escapement;
    out.push_back(line.str());
  }
  return out;
}

TEST_F(Open, TrailingSpacesAndBlankLinesAreDroppedAndWhatLoadedBeforeDrawsTheSame) {
  const std::string example = test::readFile(test::sourcePath("tests/data/worked-example.dat"));
  const std::string texts[] = {
      example, example.substr(0, example.size() - 2),  // no line end after the last line
      "x\r\ny\r\n0 10 0 10\r\n1\r\n1 1 0 0\r\n\r\n",   // a label text on a blank line
      "x\r\ny\r\n0 10 0 10\r\n1\r\n1 1 0 30 Peak   ",  // spaces after a label text
  };
  const std::string tails[] = {"", " ", "  \r\n", "\r\n\r\n", "\n \n\n", " \r\n \r\n  "};
  for (const std::string &text : texts) {
    for (auto *s : {&mainPicture, &xPicture, &yPicture}) s->ops.clear();
    cVesk fromData(form);
    fromData.veskFromData(text, mainPicture);
    fromData.refresh(mainPicture, xPicture, yPicture);
    const auto expected = {drawn(mainPicture), drawn(xPicture), drawn(yPicture)};
    for (const std::string &tail : tails) {
      SCOPED_TRACE(testing::PrintToString(text + tail));
      for (auto *s : {&mainPicture, &xPicture, &yPicture}) s->ops.clear();
      engine.veskFromFile(writeFile("trailing.dat", text + tail), mainPicture);
      engine.refresh(mainPicture, xPicture, yPicture);
      EXPECT_EQ(std::vector({drawn(mainPicture), drawn(xPicture), drawn(yPicture)}), std::vector(expected));
    }
  }
}

}  // namespace
}  // namespace vesk
