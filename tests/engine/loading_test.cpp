#include "engine/cVesk.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingSurface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>

namespace vesk {
namespace {

using test::crlf;

// Lines joined with CR LF after each one, the last included.
// A graph of one data set with one point whose tag is the given token.
std::string withTag(const std::string &tag) { return crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1 2 " + tag}); }
// A graph whose left x end is the given token.
std::string withXMin(const std::string &xMin) { return crlf({"x", "y", xMin + " 10 0 10", "0"}); }

class Loading : public ::testing::Test {
protected:
  test::FakeMainForm form;
  test::RecordingSurface picture{7200, 4800};
  cVesk engine{form};

  const GraphModel &load(const std::string &text) {
    engine.veskFromData(text, picture);
    return engine.model();
  }
  // The message of the failed load, or nullopt when the text loaded.
  std::optional<std::string> failure(const std::string &text) {
    try {
      engine.veskFromData(text, picture);
    } catch (const LoadError &e) {
      return e.what();
    }
    return std::nullopt;
  }
  std::size_t loadedSets() const {
    std::size_t n = 0;
    while (n < engine.model().dataSets.size() && engine.model().dataSets[n].isLoaded) ++n;
    return n;
  }
};

TEST_F(Loading, WorkedExampleFillsTheModel) {
  const GraphModel &g = load(crlf({"Time (s)", "Voltage (V)", "0 10 -5 5", "0 3 0 0", "0 0 0", "5 4.5 0", "10 -2 0",
                                   "1 2 0 3", "2 1 0 8 1 0", "2 3 0 30 Peak"}));
  EXPECT_EQ(g.xTitle, "Time (s)");
  EXPECT_EQ(g.yTitle, "Voltage (V)");
  EXPECT_EQ(g.xMin, 0);
  EXPECT_EQ(g.xMax, 10);
  EXPECT_EQ(g.yMin, -5);
  EXPECT_EQ(g.yMax, 5);
  ASSERT_EQ(g.dataSets.size(), 401u);
  ASSERT_EQ(loadedSets(), 2u);

  const DataSet &first = g.dataSets[0];
  EXPECT_EQ(first.labelCount, 0);
  EXPECT_EQ(first.pointCount, 3);
  EXPECT_EQ(first.markerStyle, 0);
  ASSERT_EQ(first.points.size(), 3u);
  EXPECT_TRUE(first.labels.empty());
  const double expectedFirst[3][2] = {{0, 0}, {5, 4.5}, {10, -2}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(first.points[i].x, expectedFirst[i][0]) << i;
    EXPECT_EQ(first.points[i].y, expectedFirst[i][1]) << i;
    EXPECT_EQ(first.points[i].tag, 0) << i;
  }

  const DataSet &second = g.dataSets[1];
  EXPECT_EQ(second.labelCount, 1);
  EXPECT_EQ(second.pointCount, 2);
  EXPECT_EQ(second.markerStyle, 3);
  ASSERT_EQ(second.points.size(), 2u);
  EXPECT_EQ(second.points[0].x, 2);
  EXPECT_EQ(second.points[1].x, 8);
  ASSERT_EQ(second.labels.size(), 1u);
  const TextLabel &peak = second.labels[0];
  EXPECT_EQ(peak.text, "Peak");
  EXPECT_EQ(peak.x, 2);
  EXPECT_EQ(peak.y, 3);  // raised by its text height only when drawn
  EXPECT_EQ(peak.extra, 0);

  const DataSet &rest = g.dataSets[2];
  EXPECT_FALSE(rest.isLoaded);
  EXPECT_EQ(rest.labelCount + rest.pointCount + rest.markerStyle, 0);
}

TEST_F(Loading, SetsTheUserExtentOfTheGraphAreaAndDrawsNothing) {
  const std::string text = crlf({"x", "y", "-2 6 1 4", "0"});
  const std::string copy = text;
  load(text);
  EXPECT_EQ(picture.ScaleHeight(), 3);
  EXPECT_EQ(picture.ScaleWidth(), 8);
  EXPECT_TRUE(picture.ops.empty());
  EXPECT_EQ(text, copy);
}

TEST_F(Loading, ShortHeaderZeroGivesOneEmptySet) {
  const GraphModel &g = load(crlf({"x", "y", "0 1 0 1", "0"}));
  ASSERT_EQ(loadedSets(), 1u);
  EXPECT_TRUE(g.dataSets[0].points.empty());
  EXPECT_TRUE(g.dataSets[0].labels.empty());
}

TEST_F(Loading, LastLineWithoutLineEndStillLoads) {
  const GraphModel &g = load("x\r\ny\r\n0 10 0 10\r\n0 1 0 0\r\n1 2 3");
  ASSERT_EQ(loadedSets(), 1u);
  EXPECT_EQ(g.dataSets[0].points[0].tag, 3);
}

TEST_F(Loading, TitlesAndLabelTextsLoseOuterSpacesOnly) {
  const GraphModel &g = load(crlf({"", "  Volt  (V)  ", "0 10 0 10", "1", "1 1 0 0   a  label  "}));
  EXPECT_EQ(g.xTitle, "");
  EXPECT_EQ(g.yTitle, "Volt  (V)");
  EXPECT_EQ(g.dataSets[0].labels[0].text, "a  label");
}

TEST_F(Loading, LabelTextOnTheNextLineWhenTheAngleEndsItsLine) {
  const GraphModel &g = load(crlf({"x", "y", "0 10 0 10", "1", "1 2 0 0", "Peak 1.5"}));
  EXPECT_EQ(g.dataSets[0].labels[0].text, "Peak 1.5");
}

TEST_F(Loading, NumbersRunTogetherAreCutByTheLastOnesDecimals) {
  const GraphModel &g = load(crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1.2345.678 9"}));
  EXPECT_EQ(g.dataSets[0].points[0].x, 1.234);
  EXPECT_EQ(g.dataSets[0].points[0].y, 5.678);
  EXPECT_EQ(g.dataSets[0].points[0].tag, 9);
}

TEST_F(Loading, CommentLineLongerThanSixteenCharactersIsDropped) {
  const GraphModel &g = load(crlf({"x", "y", "0 10 0 10", "a comment of 17 c", "0 1 0 4", "1 2 3"}));
  EXPECT_EQ(g.dataSets[0].markerStyle, 4);
}

TEST_F(Loading, HeaderOfFiveCharactersIsOneNumber) {
  EXPECT_EQ(load(crlf({"x", "y", "0 10 0 10", "00001", "1 1 0 0 t"})).dataSets[0].labelCount, 1);
}

struct MessageCase {
  const char *name;
  std::string text;
  std::string first;  // where the load failed and on what
  std::string hint;   // how to fix the file, or empty
};

const std::string comment =
    "Only one comment line is allowed, right after the four limits, and it must be longer "
    "than 16 characters.";

// UTF-16 little-endian without a byte-order mark, as some Windows tools write text.
std::string utf16le(const std::string &text) {
  std::string out;
  for (char c : text) out += std::string{c, '\0'};
  return out;
}

const MessageCase messages[] = {
    // Values are read by count: the header that declared them is named.
    {"the text ends where a point was expected: its last line, not the one after",
     crlf({"x", "y", "0 10 0 10", "0 3 0 0", "1 1 1", "2 2 2"}),
     "Line 6: the file ends where the x of point 3 in data set 1 was expected.",
     "Data set 1 (header on line 4) declares 3 points and 0 labels; check those numbers."},
    {"the text ends inside a line", "x\r\ny\r\n0 10 0 10\r\n0 2 0 0\r\n1 1 1\r\n2 2",
     "Line 6: the file ends where the tag of point 2 in data set 1 was expected.",
     "Data set 1 (header on line 4) declares 2 points and 0 labels; check those numbers."},
    {"the text ends in spaces", "x\r\ny\r\n0 10 0 10\r\n0 2 0 0\r\n1 1 1  ",
     "Line 5: the file ends where the x of point 2 in data set 1 was expected.",
     "Data set 1 (header on line 4) declares 2 points and 0 labels; check those numbers."},
    {"a label text read as a number", crlf({"x", "y", "0 10 0 10", "1 3 0 0", "1 1 1", "2 2 2", "5 5 0 0 Peak"}),
     "Line 7: expected a number for the y of label 1 in data set 1, found \"Peak\".",
     "Data set 1 (header on line 4) declares 3 points and 1 label; check those numbers."},
    {"a header with too few fields names the set before it",
     crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1 2 3", "1.0000  "}),
     "Line 6: expected a whole number for the point count in the header of data set 2, found the end of the header "
     "line.",
     "Data set 1 (header on line 4) declares 1 point and 0 labels; check those numbers."},
    {"a point too many shifts the headers: the two sets before are named",
     crlf({"x", "y", "0 10 0 10", "0 3 0 0", "1 1 1", "2 2 2", "0 2 0 0", "3 3 3", "4 4 4"}),
     "Line 8: expected a whole number for the label count in the header of data set 3, found \"3 3 3\".",
     "Data set 2 (header on line 7) declares 0 points and 0 labels, and data set 1 (header on line 4) declares 3 "
     "points and 0 labels; check those numbers."},
    {"values separated by commas are no decimal comma", crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1,2,3 0 0"}),
     "Line 5: expected a number for the x of point 1 in data set 1, found \"1,2,3\".",
     "Data set 1 (header on line 4) declares 1 point and 0 labels; check those numbers."},
    {"a decimal comma", crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1 0,5 0"}),
     "Line 5: expected a number for the y of point 1 in data set 1, found \"0,5\".", "Use '.' as the decimal point."},
    {"tabs are named in the message and nothing more", crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1\t1 1"}),
     "Line 5: expected a number for the x of point 1 in data set 1, found \"1\\t1\" (values are separated by spaces, "
     "not tabs).",
     ""},
    // Comments.
    {"a comment line starting with #", crlf({"x", "y", "0 10 0 10", "# run 3", "0 1 0 0", "1 1 1"}),
     "Line 4: expected a whole number for the label count in the header of data set 1, found \"#\".", comment},
    {"two comment lines",
     crlf({"x", "y", "0 10 0 10", "# exported by the logger", "# run 3 of twelve", "0 1 0 0", "1 1 1"}),
     "Line 5: expected a whole number for the label count in the header of data set 1, found \"#\".", comment},
    {"a short comment line", crlf({"x", "y", "0 10 0 10", "run 3", "0 1 0 0", "1 1 1"}),
     "Line 4: expected a whole number for the label count in the header of data set 1, found \"run 3\".", comment},
    {"a comment of 16 characters is the first header",
     crlf({"x", "y", "0 10 0 10", "comment of 16 ch", "0 1 0 4", "1 2 3"}),
     "Line 4: expected a whole number for the label count in the header of data set 1, found \"comment\".", comment},
    {"a comment line among the points", crlf({"x", "y", "0 10 0 10", "0 2 0 0", "1 1 1", "# second half", "2 2 2"}),
     "Line 6: expected a number for the x of point 2 in data set 1, found \"#\".", comment},
    {"a word for the marker style is no comment", crlf({"x", "y", "0 10 0 10", "0 1 x abc", "1 1 1"}),
     "Line 4: expected a whole number for the marker style in the header of data set 1, found \"abc\".", ""},
    {"a short header of three numbers", crlf({"x", "y", "0 10 0 10", "0 5 0"}),
     "Line 4: expected a whole number for the label count in the header of data set 1, found \"0 5 0\".", ""},
    {"a header of six characters is cut into fields", crlf({"x", "y", "0 10 0 10", "0 0 10"}),
     "Line 4: expected a whole number for the marker style in the header of data set 1, found the end of the header "
     "line.",
     ""},
    // Invisible characters.
    {"UTF-16 text", utf16le(crlf({"x", "y", "0 10 0 10", "0"})),
     "Line 3: expected a number for the left end of the x axis, found \"\\n\\x000\\x00\".",
     "The file looks like UTF-16 text; save it as UTF-8."},
    {"a space after the limits", crlf({"x", "y", "0 10 0 10 ", "0"}),
     "Line 3: expected a whole number for the label count in the header of data set 1, found an empty value: the line "
     "is blank or ends with a space.",
     "Line 3 ends with a space after a number; remove it."},
    {"a space after a point", crlf({"x", "y", "0 10 0 10", "0 2 0 0", "1 1 1 ", "2 2 2"}),
     "Line 5: expected a number for the x of point 2 in data set 1, found an empty value: the line is blank or ends "
     "with a space.",
     "Line 5 ends with a space after a number; remove it."},
    {"a blank line after the last set", crlf({"x", "y", "0 10 0 10", "0", ""}),
     "Line 5: expected a whole number for the label count in the header of data set 2, found an empty value: the line "
     "is blank or ends with a space.",
     "Line 5 is blank; remove it."},
    // Line numbers count a CR and the one character after it, whatever it is.
    {"CR and any character end a line", "x\rXy\r\r0 10\r\n0 ten\r\n0\r\n",
     "Line 4: expected a number for the upper end of the y axis, found \"ten\".", ""},
    {"a lone LF ends no line", "x\ny\r\n0 10 0 10\r\nbad\r\n",
     "Line 3: expected a number for the left end of the x axis, found \"bad\".", ""},
    {"a lone LF joins numbers", crlf({"x", "y", "0\n10 0 10", "0"}),
     "Line 3: expected a number for the left end of the x axis, found \"0\\n10\".", ""},
    {"long tokens are cut short", withXMin(std::string(40, 'z')),
     "Line 3: expected a number for the left end of the x axis, found \"" + std::string(30, 'z') + "...\".", ""},
    // Failures whose message says all there is.
    {"a number too large to hold", withXMin("-1e999"),
     "Line 3: expected a number for the left end of the x axis, found \"-1e999\", which is too large.", ""},
    {"a long number too large to hold", withXMin("1" + std::string(400, '0')),
     "Line 3: expected a number for the left end of the x axis, found \"1" + std::string(29, '0') +
         "...\", which is too large.",
     ""},
    {"labels on a y axis without length", crlf({"x", "y", "0 10 5 5", "1", "1 1 0 30 t"}),
     "Line 5: cannot turn the angle of label 1 in data set 1, \"30\", into a direction on screen: the y axis has no "
     "length (its lower and upper ends are equal).",
     ""},
    {"labels on axes too far apart", crlf({"x", "y", "-1e300 1e300 0 1e-300", "1", "1 1 0 30 t"}),
     "Line 5: cannot turn the angle of label 1 in data set 1, \"30\", into a direction on screen: the result "
     "overflows (the axis lengths are too far apart).",
     ""},
    {"an axis too long to measure", crlf({"x", "y", "0 1", "-1e308 1e308", "0"}),
     "Line 4: the axes are too long: the distance between the ends of an axis overflows.", ""},
};

TEST_F(Loading, EachFailureNamesItsPlaceAndHowToFixTheFile) {
  for (const MessageCase &c : messages) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(failure(c.text), c.hint.empty() ? c.first : c.first + " " + c.hint);
  }
}

TEST_F(Loading, ExactlyFourHundredAndOneSetsLoad) {
  std::string text = crlf({"x", "y", "0 10 0 10"});
  for (int i = 0; i < 401; ++i) text += "0 1 0 0\r\n1 1 1\r\n";
  load(text);
  EXPECT_EQ(loadedSets(), 401u);
  EXPECT_EQ(failure(text + "0\r\n"),
            "Line 806: expected the end of the data after data set 401, the most a graph holds, found \"0\".");
  EXPECT_TRUE(engine.model().dataSets.empty());
}

TEST_F(Loading, SecondLoadWithFewerSetsLeavesNoTraceOfTheFirst) {
  load(crlf({"x", "y", "0 10 0 10", "1 2 0 1", "1 1 1 2 2 2", "1 1 0 0 a", "0 1 0 0", "3 3 3"}));
  ASSERT_EQ(loadedSets(), 2u);
  const GraphModel &g = load(crlf({"x", "y", "0 10 0 10", "0"}));
  EXPECT_EQ(loadedSets(), 1u);
  EXPECT_TRUE(g.dataSets[0].points.empty());
  EXPECT_TRUE(g.dataSets[0].labels.empty());
  EXPECT_EQ(g.dataSets[0].markerStyle, 0);
  EXPECT_TRUE(g.dataSets[1].points.empty());
}

TEST_F(Loading, LabelKeepsItsNumbersAsRead) {
  form.textHeight = 240;
  const GraphModel &g = load(crlf({"x", "y", "0 10 -3 5", "1", "4 1 7 0 text"}));
  const TextLabel &l = g.dataSets[0].labels[0];
  EXPECT_EQ(l.y, 1);
  EXPECT_EQ(l.x, 4);
  EXPECT_EQ(l.extra, 7);
}

TEST_F(Loading, AngleBecomesTenthsOfADegreeOnScreen) {
  const GraphModel &g = load(crlf({"x", "y", "0 10 0 10", "2", "1 1 0 0 flat", "1 1 0 45 rising"}));
  EXPECT_EQ(g.dataSets[0].labels[0].angle, 0);
  const double P = 3.14159;
  const double expected = std::atan(std::tan(45 * (P / 180)) * 1.0 * (2.6 / 3.5)) * (180 / P) * 10;
  EXPECT_EQ(g.dataSets[0].labels[1].angle, expected);
  EXPECT_NEAR(g.dataSets[0].labels[1].angle, 366, 1);
}

TEST_F(Loading, AngleFollowsTheRatioOfTheAxisLengths) {
  const GraphModel &g = load(crlf({"x", "y", "0 20 0 10", "1", "1 1 0 30 t"}));
  const double P = 3.14159;
  EXPECT_EQ(g.dataSets[0].labels[0].angle, std::atan(std::tan(30 * (P / 180)) * 2.0 * (2.6 / 3.5)) * (180 / P) * 10);
}

TEST_F(Loading, PointsNeedNoYAxisLength) {
  EXPECT_EQ(load(crlf({"x", "y", "0 10 5 5", "0 1 0 0", "1 1 1"})).dataSets[0].pointCount, 1);
}

TEST_F(Loading, FailureLeavesAnEmptyModelAndTheTextUnchanged) {
  load(crlf({"x", "y", "0 10 0 10", "0 1 0 0", "1 1 1"}));
  const std::string text = crlf({"T", "V", "0 10 -5 5", "0 3 0 0", "0 0 0", "5 4,5 0", "10 -2 0"});
  const std::string copy = text;
  EXPECT_EQ(failure(text),
            "Line 6: expected a number for the y of point 2 in data set 1, found \"4,5\". Use '.' as the decimal "
            "point.");
  EXPECT_EQ(text, copy);
  const GraphModel &g = engine.model();
  EXPECT_EQ(g.xTitle, "");
  EXPECT_EQ(g.yTitle, "");
  EXPECT_EQ(g.xMin, 0);
  EXPECT_EQ(g.xMax, 0);
  EXPECT_EQ(g.yMin, 0);
  EXPECT_EQ(g.yMax, 0);
  EXPECT_TRUE(g.dataSets.empty());
  EXPECT_EQ(engine.minmax(1), 0);
}

TEST_F(Loading, LoneLfIsAnOrdinaryCharacter) { EXPECT_EQ(load(crlf({"a\nb", "y", "0 10 0 10", "0"})).xTitle, "a\nb"); }

TEST_F(Loading, EmptyTextFailsBeforeTheFirstTokenAndTextsPastTheOld16BitLengthLoad) {
  picture.Scale(0, 0, 1, 1);
  EXPECT_EQ(failure(""), "The data text is empty.");
  EXPECT_EQ(picture.ScaleHeight(), 1);
  EXPECT_TRUE(engine.model().dataSets.empty());
  const std::string tail = "\r\ny\r\n0 10 0 10\r\n0\r\n";
  for (const std::size_t length : {32767, 32768, 100000}) {
    const std::string text = std::string(length - tail.size(), 'x') + tail;
    EXPECT_EQ(load(text).xTitle.size(), length - tail.size());
  }
}

TEST_F(Loading, TitlesAndLabelsAreReadAsUtf8OrElseWindows1252) {
  const GraphModel &utf8 =
      load(crlf({"Temp \xC2\xB0"
                 "C",
                 "\xE2\x82\xAC", "0 10 0 10", "1", "1 1 0 0 caf\xC3\xA9"}));
  EXPECT_EQ(utf8.xTitle,
            "Temp \xC2\xB0"
            "C");
  EXPECT_EQ(utf8.yTitle, "\xE2\x82\xAC");
  EXPECT_EQ(utf8.dataSets[0].labels[0].text, "caf\xC3\xA9");

  const GraphModel &cp1252 =
      load(crlf({"Temp \xB0"
                 "C",
                 "\x80 \x93q\x94", "0 10 0 10", "1", "1 1 0 0 caf\xE9"}));
  EXPECT_EQ(cp1252.xTitle,
            "Temp \xC2\xB0"
            "C");
  EXPECT_EQ(cp1252.yTitle, "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(cp1252.dataSets[0].labels[0].text, "caf\xC3\xA9");
}

TEST_F(Loading, HeaderLengthsCountBytes) {
  // "é" in UTF-8 is two bytes: 15 characters but 17 bytes make a comment.
  const GraphModel &g = load(crlf({"x", "y", "0 10 0 10", "\xC3\xA9\xC3\xA9 a comment 12", "0 1 0 2", "1 1 1"}));
  EXPECT_EQ(g.dataSets[0].markerStyle, 2);
}

TEST_F(Loading, MinmaxGivesTheBoundsInOrderAndZeroOtherwise) {
  load(crlf({"x", "y", "1 2 3 4", "0"}));
  EXPECT_EQ(engine.minmax(0), 1);
  EXPECT_EQ(engine.minmax(1), 2);
  EXPECT_EQ(engine.minmax(2), 3);
  EXPECT_EQ(engine.minmax(3), 4);
  EXPECT_EQ(engine.minmax(4), 0);
  EXPECT_EQ(engine.minmax(-1), 0);
}

struct IntegerCase {
  std::string token;
  std::optional<int> value;  // nullopt: out of range
};

class IntegerConversion : public ::testing::TestWithParam<IntegerCase> {
protected:
  test::FakeMainForm form;
  test::RecordingSurface picture{7200, 4800};
};

TEST_P(IntegerConversion, RoundsHalfToEvenWithinSixteenBits) {
  cVesk engine(form);
  const IntegerCase &c = GetParam();
  if (c.value) {
    engine.veskFromData(withTag(c.token), picture);
    EXPECT_EQ(engine.model().dataSets[0].points[0].tag, *c.value);
  } else {
    try {
      engine.veskFromData(withTag(c.token), picture);
      ADD_FAILURE() << "loaded";
    } catch (const LoadError &e) {
      EXPECT_EQ(std::string(e.what()),
                "Line 5: expected a whole number from -32768 to 32767 for the tag of point 1 "
                "in data set 1, found \"" +
                    c.token + "\".");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, IntegerConversion,
                         ::testing::Values(IntegerCase{"2.5", 2}, IntegerCase{"3.5", 4}, IntegerCase{"-2.5", -2},
                                           IntegerCase{"2.51", 3}, IntegerCase{"0.5", 0}, IntegerCase{"-0.5", 0},
                                           IntegerCase{"1e1", 10}, IntegerCase{"32767", 32767},
                                           IntegerCase{"32767.4", 32767}, IntegerCase{"32767.5", std::nullopt},
                                           IntegerCase{"32768", std::nullopt}, IntegerCase{"-32768", -32768},
                                           IntegerCase{"-32768.5", -32768}, IntegerCase{"-32769", std::nullopt},
                                           IntegerCase{"1e999", std::nullopt}));

struct RealCase {
  std::string token;
  std::optional<double> value;  // nullopt: not a number
};

class RealConversion : public ::testing::TestWithParam<RealCase> {
protected:
  test::FakeMainForm form;
  test::RecordingSurface picture{7200, 4800};
};

TEST_P(RealConversion, AcceptsOnlyTheDecimalForm) {
  cVesk engine(form);
  const RealCase &c = GetParam();
  if (c.value) {
    engine.veskFromData(withXMin(c.token), picture);
    EXPECT_EQ(engine.model().xMin, *c.value);
  } else {
    try {
      engine.veskFromData(withXMin(c.token), picture);
      ADD_FAILURE() << "loaded";
    } catch (const LoadError &e) {
      // Only the first sentence: a hint may follow.
      const std::string expected =
          "Line 3: expected a number for the left end of the x axis, found \"" + c.token + "\".";
      EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RealConversion,
    ::testing::Values(RealCase{"12.375", 12.375}, RealCase{"-1", -1}, RealCase{"+1", 1}, RealCase{"5.", 5},
                      RealCase{".5", 0.5}, RealCase{"-.5", -0.5}, RealCase{"1e3", 1000}, RealCase{"2.5E-3", 0.0025},
                      RealCase{"1e+2", 100}, RealCase{"1e-999", 0}, RealCase{"-0", -0.0},
                      RealCase{"1.7976931348623157e308", 1.7976931348623157e308},
                      // Either side of 15 significant digits and 22 decimals, rounded correctly throughout.
                      RealCase{"0.1", 0.1}, RealCase{"-0.3", -0.3}, RealCase{"000123456789012345", 123456789012345.0},
                      RealCase{"3.14159265358979", 3.14159265358979}, RealCase{"3.141592653589793", 3.141592653589793},
                      RealCase{"9007199254740993", 9007199254740993.0}, RealCase{"0.0000000000000000000001", 1e-22},
                      RealCase{"0.00000000000000000000001", 1e-23}, RealCase{"abc", std::nullopt},
                      RealCase{"4,5", std::nullopt}, RealCase{"1e", std::nullopt}, RealCase{"e5", std::nullopt},
                      RealCase{"1e+", std::nullopt}, RealCase{".", std::nullopt}, RealCase{"-", std::nullopt},
                      RealCase{"+-1", std::nullopt}, RealCase{"0x10", std::nullopt}, RealCase{"inf", std::nullopt},
                      RealCase{"nan", std::nullopt}, RealCase{"1d5", std::nullopt}, RealCase{"1_000", std::nullopt}));

}  // namespace
}  // namespace vesk
