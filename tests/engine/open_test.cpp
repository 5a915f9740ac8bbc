#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/RecordingSurface.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <optional>
#include <string>

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
  EXPECT_EQ(failure(missing), "Cannot read \"" + missing + "\": No such file or directory");
  EXPECT_EQ(failure(files.path().string()), "Cannot read \"" + files.path().string() + "\": Is a directory");
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
  const std::string tail = "\ny\n0 10 0 10\n0\n";
  const std::string fits = writeFile("fits.dat", std::string(cVesk::maxTextLength - 2 * tail.size(), 'x') + tail);
  EXPECT_TRUE(open(fits));
  const std::string over = writeFile("over.dat", std::string(cVesk::maxTextLength - tail.size(), 'x') + tail);
  EXPECT_EQ(failure(over), "Cannot load \"" + over +
                               "\": the file has 32771 characters once each line end is counted as CR LF; a data "
                               "file holds at most 32767.");
  const std::string huge = writeFile("huge.dat", std::string(100000, 'x'));
  EXPECT_EQ(failure(huge),
            "Cannot load \"" + huge + "\": the file has more than 32767 characters, the most a data file holds.");
}

}  // namespace
}  // namespace vesk
