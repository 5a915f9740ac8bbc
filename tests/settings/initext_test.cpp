#include "settings/IniText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vesk {
namespace {

struct LookupCase {
  const char *what;
  std::string content;
  std::optional<std::string> expected;
};

class IniLookupCases : public ::testing::TestWithParam<LookupCase> {};

TEST_P(IniLookupCases, FindsTheValueOrReportsItMissing) {
  const auto &c = GetParam();
  EXPECT_EQ(iniLookup(c.content, "Options", "Default Directory"), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    IniLookup, IniLookupCases,
    ::testing::Values(
        LookupCase{"plain", "[Options]\nDefault Directory=/data\n", "/data"},
        LookupCase{"lower-case names", "[options]\ndefault directory=/data\n", "/data"},
        LookupCase{"upper-case names", "[OPTIONS]\nDEFAULT DIRECTORY=/data", "/data"},
        LookupCase{"blanks around names and value", "  [ Options ]  \n\tDefault Directory =  /data  \n", "/data"},
        LookupCase{"CRLF line ends", "[Options]\r\nDefault Directory=/data\r\n", "/data"},
        LookupCase{"blanks inside the value kept", "[Options]\nDefault Directory=/my data/x\n", "/my data/x"},
        LookupCase{"'=' inside the value kept", "[Options]\nDefault Directory=/a=b\n", "/a=b"},
        LookupCase{"empty file", "", std::nullopt},
        LookupCase{"empty value", "[Options]\nDefault Directory=\n", std::nullopt},
        LookupCase{"blank value", "[Options]\nDefault Directory=   \n", std::nullopt},
        LookupCase{"no section", "Default Directory=/data\n", std::nullopt},
        LookupCase{"key in another section", "[Other]\nDefault Directory=/data\n[Options]\n", std::nullopt},
        LookupCase{"commented out", "[Options]\n;Default Directory=/data\n", std::nullopt},
        LookupCase{"key without '='", "[Options]\nDefault Directory\n", std::nullopt},
        LookupCase{"first of two keys", "[Options]\nDefault Directory=/a\nDefault Directory=/b\n", "/a"},
        LookupCase{"other section after", "[Options]\nDefault Directory=/a\n[Z]\nDefault Directory=/b\n", "/a"},
        LookupCase{"similar key name", "[Options]\nDefault Directory2=/a\n", std::nullopt}));

struct LengthCase {
  std::size_t stored;
  std::size_t read;
};

class IniValueLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(IniValueLength, ValueIsCutAfter1999Characters) {
  const auto [stored, read] = GetParam();
  std::string value(stored, 'd');
  auto got = iniLookup("[Options]\nDefault Directory=" + value + "\n", "Options", "Default Directory");
  ASSERT_TRUE(got);
  EXPECT_EQ(got->size(), read);
  EXPECT_EQ(*got, value.substr(0, read));
}

INSTANTIATE_TEST_SUITE_P(IniLookup, IniValueLength,
                         ::testing::Values(LengthCase{1, 1}, LengthCase{1998, 1998}, LengthCase{1999, 1999},
                                           LengthCase{2000, 1999}, LengthCase{5000, 1999}));

TEST(IniLookup, CutNeverSplitsAMultiByteCharacter) {
  std::string value;
  for (int i = 0; i < 2000; ++i) value += "\xC3\xA9";  // é
  auto got = iniLookup("[Options]\nDefault Directory=" + value + "\n", "Options", "Default Directory");
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, value.substr(0, 2 * 1999));
}

struct AssignCase {
  const char *what;
  std::string before;
  std::string after;
};

class IniAssignCases : public ::testing::TestWithParam<AssignCase> {};

TEST_P(IniAssignCases, ChangesOnlyTheGivenKeys) {
  const auto &c = GetParam();
  EXPECT_EQ(iniAssign(c.before, "Options", {{"Default Directory", "/new"}, {"Default Font Size", "11.25"}}), c.after)
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    IniAssign, IniAssignCases,
    ::testing::Values(
        AssignCase{"empty file", "", "[Options]\nDefault Directory=/new\nDefault Font Size=11.25\n"},
        AssignCase{"both replaced in place", "[Options]\nDefault Font Size=9.0\nDefault Directory=/old\n",
                   "[Options]\nDefault Font Size=11.25\nDefault Directory=/new\n"},
        AssignCase{"foreign content kept in order",
                   "; my comment\n[First]\na=1\n\n[options]\nzoom=2\nDEFAULT DIRECTORY = /old\n; note\nlast=3\n\n"
                   "[Later]\nb=2\n",
                   "; my comment\n[First]\na=1\n\n[options]\nzoom=2\nDefault Directory=/new\n; note\nlast=3\n"
                   "Default Font Size=11.25\n\n[Later]\nb=2\n"},
        AssignCase{"section added after other content without a final newline", "[Other]\nx=1",
                   "[Other]\nx=1\n[Options]\nDefault Directory=/new\nDefault Font Size=11.25\n"},
        AssignCase{"key added to a last section without a final newline", "[Options]\nx=1",
                   "[Options]\nx=1\nDefault Directory=/new\nDefault Font Size=11.25\n"},
        AssignCase{"CRLF file stays CRLF", "[Options]\r\nDefault Directory=/old\r\n[Other]\r\ny=2\r\n",
                   "[Options]\r\nDefault Directory=/new\r\nDefault Font Size=11.25\r\n[Other]\r\ny=2\r\n"},
        AssignCase{"commented key is not the key", "[Options]\n;Default Directory=/old\n",
                   "[Options]\n;Default Directory=/old\nDefault Directory=/new\nDefault Font Size=11.25\n"},
        AssignCase{"only the first of two sections changes", "[Options]\na=1\n[Options]\nDefault Directory=/x\n",
                   "[Options]\na=1\nDefault Directory=/new\nDefault Font Size=11.25\n[Options]\nDefault "
                   "Directory=/x\n"}));

TEST(IniAssign, EmptyValueIsWrittenAndReadsAsMissing) {
  auto text = iniAssign("[Options]\nDefault Directory=/old\n", "Options", {{"Default Directory", ""}});
  EXPECT_EQ(text, "[Options]\nDefault Directory=\n");
  EXPECT_EQ(iniLookup(text, "Options", "Default Directory"), std::nullopt);
}

}  // namespace
}  // namespace vesk
