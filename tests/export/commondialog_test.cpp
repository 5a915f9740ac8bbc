#include "export/mCommonDialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vesk {
namespace {

using namespace std::string_literals;

struct TrimCase {
  std::string text;
  std::string expected;
};

class TrimAtNullTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimAtNullTest, KeepsTheTextBeforeTheFirstNul) { EXPECT_EQ(TrimAtNull(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(CommonDialog, TrimAtNullTest,
                         ::testing::Values(TrimCase{"", ""}, TrimCase{"abc", "abc"}, TrimCase{"abc\0\0\0"s, "abc"},
                                           TrimCase{"\0abc"s, ""}, TrimCase{"a\0b\0"s, "a"}));

const std::string kConverted = "JPEG Files (*.JPG)\0*.JPG\0All Files (*.*)\0*.*\0\0"s;

struct PairCase {
  std::string list;
  int n;
  std::string expected;
};

class LookupFilterPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(LookupFilterPairTest, FindsTheNthPair) {
  EXPECT_EQ(LookupFilterPair(GetParam().list, GetParam().n), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(CommonDialog, LookupFilterPairTest,
                         ::testing::Values(PairCase{kConverted, 1, "JPEG Files (*.JPG)\0*.JPG"s},
                                           PairCase{kConverted, 2, "All Files (*.*)\0*.*"s},
                                           PairCase{kConverted, 3, ""},   // past the list
                                           PairCase{kConverted, 4, ""},   // never wraps around to the first pair
                                           PairCase{kConverted, 0, ""},   // no pair 0
                                           PairCase{kConverted, -1, ""},  // and no endless search
                                           PairCase{"", 1, ""}, PairCase{""s, 2, ""},
                                           PairCase{"A\0a\0B\0b"s, 2, "B\0b"s},  // without the final NULs
                                           PairCase{"A\0a\0B\0b"s, 3, ""},       // ... and past it
                                           PairCase{"A\0a\0B\0b"s, 5, ""},       // ... far past it
                                           PairCase{"A\0a"s, 1, "A\0a"s},        // one pair, no NUL after it
                                           PairCase{"no nul at all", 1, ""}));   // not a single pair

// Answers the dialog from a script and keeps what it was asked.
class ScriptedDialogs : public SaveDialogs {
public:
  std::optional<SaveFileAnswer> answer;
  std::vector<SaveFileRequest> requests;
  std::optional<SaveFileAnswer> getSaveFileName(const SaveFileRequest &request) override {
    requests.push_back(request);
    return answer;
  }
  void warningBox(const std::string &, const std::string &, const std::string &) override {
    ADD_FAILURE() << "no warning expected";
  }
};

struct Arguments {
  std::string fileName = "/data/vesk.jpg";
  std::string fileTitle;
  bool overwritePrompt = true;
  std::string filter = "JPEG Files (*.JPG)|*.JPG|All Files (*.*)|*.*";
  std::int32_t filterIndex = 1;
  std::string initialFolder;
  std::string dialogTitle;
  std::string defaultExtension = "JPG";
  std::int32_t flags = 0;

  bool show(SaveDialogs &owner) {
    return ShowSaveFileDialog(fileName, fileTitle, overwritePrompt, filter, filterIndex, initialFolder, dialogTitle,
                              defaultExtension, owner, flags);
  }
};

TEST(ShowSaveFileDialog, ConfirmedNameFillsTheOutputs) {
  ScriptedDialogs dialogs;
  dialogs.answer = SaveFileAnswer{"/home/u/pics/result.JPG", 2};
  Arguments args;
  ASSERT_TRUE(args.show(dialogs));
  EXPECT_EQ(args.fileName, "/home/u/pics/result.JPG");
  EXPECT_EQ(args.fileTitle, "result.JPG");
  EXPECT_EQ(args.filter, "All Files (*.*)\0*.*"s);
  EXPECT_EQ(args.filterIndex, 2);
  EXPECT_EQ(args.flags, 6);
  EXPECT_TRUE(args.overwritePrompt);
  EXPECT_EQ(args.defaultExtension, "JPG");
}

TEST(ShowSaveFileDialog, CancelEmptiesTheOutputsAndKeepsTheInputs) {
  ScriptedDialogs dialogs;
  Arguments args;
  args.fileTitle = "vesk.jpg";
  args.initialFolder = "/data";
  args.dialogTitle = "Save";
  args.flags = 0x1000;
  EXPECT_FALSE(args.show(dialogs));
  EXPECT_EQ(args.fileName, "");
  EXPECT_EQ(args.fileTitle, "");
  EXPECT_EQ(args.filter, "");
  EXPECT_EQ(args.filterIndex, 0);
  EXPECT_EQ(args.flags, 0);
  EXPECT_EQ(args.initialFolder, "/data");
  EXPECT_EQ(args.dialogTitle, "Save");
  EXPECT_EQ(args.defaultExtension, "JPG");
}

TEST(ShowSaveFileDialog, AnEmptyAnswerCountsAsCancel) {
  ScriptedDialogs dialogs;
  dialogs.answer = SaveFileAnswer{"", 1};
  Arguments args;
  EXPECT_FALSE(args.show(dialogs));
  EXPECT_EQ(args.filterIndex, 0);
}

TEST(ShowSaveFileDialog, RequestCarriesTheArguments) {
  ScriptedDialogs dialogs;
  Arguments args;
  args.fileTitle = "title";
  args.overwritePrompt = false;
  args.filterIndex = 2;
  args.initialFolder = "/start";
  args.dialogTitle = "Pick";
  args.show(dialogs);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  const SaveFileRequest &request = dialogs.requests[0];
  EXPECT_EQ(request.fileName, "/data/vesk.jpg");
  EXPECT_EQ(request.fileTitle, "title");
  EXPECT_FALSE(request.overwritePrompt);
  EXPECT_EQ(request.filterIndex, 2);
  EXPECT_EQ(request.initialFolder, "/start");
  EXPECT_EQ(request.dialogTitle, "Pick");
  EXPECT_EQ(request.defaultExtension, "JPG");
}

struct FilterCase {
  std::string filter;
  std::vector<std::pair<std::string, std::string>> pairs;
};

class FilterConversion : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, SplitsAtBarsAndColons) {
  ScriptedDialogs dialogs;
  Arguments args;
  args.filter = GetParam().filter;
  args.show(dialogs);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].filters, GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(ShowSaveFileDialog, FilterConversion,
                         ::testing::Values(FilterCase{"JPEG Files (*.JPG)|*.JPG|All Files (*.*)|*.*",
                                                      {{"JPEG Files (*.JPG)", "*.JPG"}, {"All Files (*.*)", "*.*"}}},
                                           FilterCase{"Pictures:*.jpg;*.png", {{"Pictures", "*.jpg;*.png"}}},
                                           FilterCase{"Odd|*.x|Lonely", {{"Odd", "*.x"}, {"Lonely", ""}}},
                                           FilterCase{"A|*.a||B|*.b", {{"A", "*.a"}}},  // an empty entry ends the list
                                           FilterCase{"", {}}));

struct FlagsCase {
  bool overwritePrompt;
  std::int32_t given;
  std::int32_t returned;
};

class DialogFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(DialogFlags, HideReadOnlyAlwaysAndNeverHookOrTemplate) {
  ScriptedDialogs dialogs;
  dialogs.answer = SaveFileAnswer{"/x.jpg", 1};
  Arguments args;
  args.overwritePrompt = GetParam().overwritePrompt;
  args.flags = GetParam().given;
  ASSERT_TRUE(args.show(dialogs));
  EXPECT_EQ(args.flags, GetParam().returned);
}

INSTANTIATE_TEST_SUITE_P(ShowSaveFileDialog, DialogFlags,
                         ::testing::Values(FlagsCase{true, 0, 6}, FlagsCase{false, 0, 4}, FlagsCase{true, 0x60, 6},
                                           FlagsCase{false, 0x1021, 0x1005}));

}  // namespace
}  // namespace vesk
