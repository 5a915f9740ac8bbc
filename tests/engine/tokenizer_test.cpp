#include "tests/support/cVeskTestAccess.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vesk {
namespace {

struct TokenCase {
  std::string before;
  bool wholeLine;
  std::string token;
  std::string after;
};

void PrintTo(const TokenCase &c, std::ostream *os) {
  *os << (c.wholeLine ? "line " : "word ") << ::testing::PrintToString(c.before);
}

class NextToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(NextToken, TakesTheTokenOffTheFront) {
  const TokenCase &c = GetParam();
  std::string_view text = c.before;
  const std::string_view token = cVeskTestAccess::nextToken(text, c.wholeLine);
  EXPECT_EQ(token, c.token);
  EXPECT_EQ(text, c.after);
}

INSTANTIATE_TEST_SUITE_P(Examples, NextToken,
                         ::testing::Values(TokenCase{"  12.5 7\r\nabc", false, "12.5", " 7\r\nabc"},
                                           TokenCase{" 7\r\nabc", false, "7", "abc"},
                                           TokenCase{"1.2345.678 9", false, "1.234", "5.678 9"},
                                           TokenCase{"-1.23-4.56\r\n", false, "-1.23", "-4.56\r\n"},
                                           TokenCase{" Peak value  \r\nnext", true, "Peak value", "next"},
                                           TokenCase{"12 \r\n3", false, "12", " \r\n3"},
                                           TokenCase{" \r\n3", false, "", "3"}, TokenCase{"\r\nnext", true, "", "next"},
                                           TokenCase{"last", true, "last", ""}));

INSTANTIATE_TEST_SUITE_P(
    Boundaries, NextToken,
    ::testing::Values(
        // A text of spaces only stays as it is for a word; a line takes it whole, untrimmed.
        TokenCase{"   ", false, "", "   "}, TokenCase{"   ", true, "   ", ""}, TokenCase{"", false, "", ""},
        TokenCase{"", true, "", ""},
        // The CR and the one character after it go, whatever that character is.
        TokenCase{"a\rXb", false, "a", "b"}, TokenCase{"a\r\rb", true, "a", "b"}, TokenCase{"a\r", false, "a", ""},
        // LF and tab are ordinary characters.
        TokenCase{"1\n2 3", false, "1\n2", " 3"}, TokenCase{"a\nb\r\nc", true, "a\nb", "c"},
        TokenCase{"1\t2 3", false, "1\t2", " 3"},
        // One '.' is never cut; dots in a line token are never cut.
        TokenCase{"12.375 1", false, "12.375", " 1"}, TokenCase{"v1.2.3 x\r\n", true, "v1.2.3 x", ""},
        // A run is cut by the last number's decimals even where that splits badly; the part put
        // back stays ahead of the line end.
        TokenCase{"1.5.25\r\nx", false, "1.5.", "25\r\nx"}, TokenCase{"1..\r\n", false, "1.", ".\r\n"}));

TEST(NextTokenRun, ThreeNumbersRunTogetherComeOutOneByOne) {
  std::string_view text = "1.112.223.33";
  std::vector<std::string_view> tokens;
  for (int i = 0; i < 3; ++i) tokens.push_back(cVeskTestAccess::nextToken(text, false));
  EXPECT_EQ(tokens, (std::vector<std::string_view>{"1.11", "2.22", "3.33"}));
  EXPECT_TRUE(text.empty());
}

TEST(NextTokenRun, PutBackStaysInTheCallersBuffer) {
  const std::string data = "1.2345.678 9";
  std::string_view text = data;
  const std::string_view token = cVeskTestAccess::nextToken(text, false);
  EXPECT_EQ(token.data(), data.data());
  EXPECT_EQ(text.data(), data.data() + 5);
  EXPECT_EQ(data, "1.2345.678 9");
}

}  // namespace
}  // namespace vesk
