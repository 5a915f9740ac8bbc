#include "settings/SettingsFile.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::LocaleGuard;
using test::readFile;
using test::TempDir;
using test::writeFile;

const std::string programFolder = "/opt/vesk";

TEST(SettingsFirstRun, WritesBothDefaultsAndUsesThem) {
  TempDir dir;
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultDirectory(), programFolder);
  EXPECT_EQ(settings.readDefaultFontSize(), 9.0);
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), "[Options]\nDefault Directory=/opt/vesk\nDefault Font Size=9.0\n");
}

TEST(SettingsFirstRun, CreatesAMissingConfigFolder) {
  TempDir dir;
  SettingsFile settings(dir.path() / "config" / "deeper", programFolder);
  EXPECT_EQ(settings.readDefaultDirectory(), programFolder);
  EXPECT_EQ(settings.getString("options", "default directory"), programFolder);
}

TEST(SettingsRead, EmptyFolderValueIsReplacedByTheProgramFolder) {
  TempDir dir;
  writeFile(dir.path() / "dorvesk.ini", "[Options]\nDefault Directory=\nDefault Font Size=12\n");
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultDirectory(), programFolder);
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), "[Options]\nDefault Directory=/opt/vesk\nDefault Font Size=12\n");
}

TEST(SettingsRead, StoredValuesAreReadWithoutWriting) {
  TempDir dir;
  const std::string content = "[OPTIONS]\ndefault directory=/home/u/graphs\nDEFAULT FONT SIZE=12.5\n";
  writeFile(dir.path() / "dorvesk.ini", content);
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultDirectory(), "/home/u/graphs");
  EXPECT_EQ(settings.readDefaultFontSize(), 12.5);
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), content);
}

TEST(SettingsRead, LongFolderIsCutTo1999Characters) {
  TempDir dir;
  const std::string folder = "/" + std::string(2500, 'x');
  writeFile(dir.path() / "dorvesk.ini", "[Options]\nDefault Directory=" + folder + "\n");
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultDirectory(), folder.substr(0, 1999));
}

TEST(SettingsRead, FileDeletedBetweenReadsIsWrittenAgain) {
  TempDir dir;
  SettingsFile settings(dir.path(), programFolder);
  settings.writeOptions("/chosen", "10");
  EXPECT_EQ(settings.readDefaultDirectory(), "/chosen");
  fs::remove(dir.path() / "dorvesk.ini");
  EXPECT_EQ(settings.readDefaultDirectory(), programFolder);
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), "[Options]\nDefault Directory=/opt/vesk\n");
}

struct SizeCase {
  const char *stored;
  double expected;
};

class StoredFontSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(StoredFontSize, IsReadOrFallsBackTo9LeavingTheFileAlone) {
  TempDir dir;
  const std::string content =
      std::string("[Options]\nDefault Directory=/d\nDefault Font Size=") + GetParam().stored + "\n";
  writeFile(dir.path() / "dorvesk.ini", content);
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultFontSize(), GetParam().expected) << GetParam().stored;
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), content);
}

INSTANTIATE_TEST_SUITE_P(SettingsRead, StoredFontSize,
                         ::testing::Values(SizeCase{"12.5", 12.5}, SizeCase{"9.0", 9.0}, SizeCase{"11.25", 11.25},
                                           SizeCase{"7", 7.0}, SizeCase{"1e1", 10.0}, SizeCase{"big", 9.0},
                                           SizeCase{"12pt", 9.0}, SizeCase{"0", 9.0}, SizeCase{"-4", 9.0},
                                           SizeCase{"nan", 9.0}, SizeCase{"inf", 9.0}, SizeCase{"1e999", 9.0},
                                           SizeCase{"1,5", 9.0}));

TEST(SettingsRead, MissingFontSizeWrites9Point0) {
  TempDir dir;
  writeFile(dir.path() / "dorvesk.ini", "[Options]\nDefault Directory=/d\n");
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultFontSize(), 9.0);
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), "[Options]\nDefault Directory=/d\nDefault Font Size=9.0\n");
}

TEST(SettingsRead, DecimalCommaLocaleReadsBothSeparators) {
  LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
  TempDir dir;
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.readDefaultFontSize(), 9.0);
  EXPECT_EQ(settings.readDefaultFontSize(), 9.0) << "the written default \"9.0\" must read back as 9";
  settings.writeOptions("/d", "11,25");
  EXPECT_EQ(settings.readDefaultFontSize(), 11.25);
  settings.writeOptions("/d", "12.5");
  EXPECT_EQ(settings.readDefaultFontSize(), 12.5);
}

struct ParseCase {
  const char *text;
  std::optional<double> expected;
};

class ParseInCLocale : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseInCLocale, AcceptsOnlyPlainNumbers) {
  LocaleGuard c(QLocale::c());
  EXPECT_EQ(parseLocaleNumber(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(ParseLocaleNumber, ParseInCLocale,
                         ::testing::Values(ParseCase{"9", 9.0}, ParseCase{"9.0", 9.0}, ParseCase{" 9.5 ", 9.5},
                                           ParseCase{"-1.5", -1.5}, ParseCase{"", std::nullopt},
                                           ParseCase{"abc", std::nullopt}, ParseCase{"1,5", std::nullopt},
                                           ParseCase{"1,000", std::nullopt}, ParseCase{"9.0.1", std::nullopt},
                                           ParseCase{"nan", std::nullopt}, ParseCase{"inf", std::nullopt},
                                           ParseCase{"1e999", std::nullopt}));

class ParseInGermanLocale : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseInGermanLocale, AcceptsCommaAndPointAsDecimalSeparator) {
  LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(parseLocaleNumber(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(ParseLocaleNumber, ParseInGermanLocale,
                         ::testing::Values(ParseCase{"9", 9.0}, ParseCase{"9,0", 9.0}, ParseCase{"9.0", 9.0},
                                           ParseCase{"11,25", 11.25}, ParseCase{"11.25", 11.25},
                                           ParseCase{"1.000", 1.0}, ParseCase{"1.000,5", std::nullopt},
                                           ParseCase{"zehn", std::nullopt}));

TEST(SettingsWrite, WritesFolderThenSizeExactlyAsGiven) {
  TempDir dir;
  SettingsFile settings(dir.path(), programFolder);
  settings.writeOptions(" /with blanks ", "11.250");
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"),
            "[Options]\nDefault Directory= /with blanks \nDefault Font Size=11.250\n");
}

TEST(SettingsWrite, KeepsCommentsSectionsAndKeysOfTheUser) {
  TempDir dir;
  writeFile(dir.path() / "dorvesk.ini",
            "; written by hand\n[Window]\nleft=3\n\n[Options]\nTheme=dark\nDefault Font Size=9.0\n"
            "Default Directory=/old\n; keep me\n\n[Extra]\nz=1\n");
  SettingsFile settings(dir.path(), programFolder);
  settings.writeOptions("/new", "9");
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"),
            "; written by hand\n[Window]\nleft=3\n\n[Options]\nTheme=dark\nDefault Font Size=9\n"
            "Default Directory=/new\n; keep me\n\n[Extra]\nz=1\n");
}

void expectWriteError(const SettingsFile &settings, const std::string &folder, const std::string &size) {
  try {
    settings.writeOptions(folder, size);
    ADD_FAILURE() << "no SettingsError";
  } catch (const SettingsError &e) {
    const std::string prefix = "Cannot write the settings file \"" + settings.path().string() + "\": ";
    const std::string message = e.what();
    EXPECT_EQ(message.substr(0, prefix.size()), prefix);
    EXPECT_GT(message.size(), prefix.size()) << "the reason is missing";
  }
}

TEST(SettingsFailure, FolderPathThroughARegularFile) {
  TempDir dir;
  writeFile(dir.path() / "plain", "x");
  SettingsFile settings(dir.path() / "plain" / "config", programFolder);
  expectWriteError(settings, "/d", "9");
  EXPECT_EQ(settings.readDefaultDirectory(), programFolder);
  EXPECT_EQ(settings.readDefaultFontSize(), 9.0);
  EXPECT_EQ(readFile(dir.path() / "plain"), "x");
}

TEST(SettingsFailure, FolderWhereTheFileShouldBe) {
  TempDir dir;
  fs::create_directory(dir.path() / "dorvesk.ini");
  writeFile(dir.path() / "dorvesk.ini" / "inner", "keep");
  SettingsFile settings(dir.path(), programFolder);
  EXPECT_EQ(settings.getString("Options", "Default Directory"), std::nullopt);
  expectWriteError(settings, "/d", "9");
  EXPECT_EQ(settings.readDefaultDirectory(), programFolder);
  EXPECT_EQ(settings.readDefaultFontSize(), 9.0);
  EXPECT_TRUE(fs::is_directory(dir.path() / "dorvesk.ini"));
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini" / "inner"), "keep");
}

TEST(SettingsFailure, LineBreakInAValueWritesNeitherValue) {
  TempDir dir;
  const std::string content = "[Options]\nDefault Directory=/old\nDefault Font Size=9.0\n";
  writeFile(dir.path() / "dorvesk.ini", content);
  SettingsFile settings(dir.path(), programFolder);
  expectWriteError(settings, "/new", "9\n[Injected]");
  expectWriteError(settings, "/new\r", "9");
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), content);
}

// A file size limit makes the write fail part-way, as a full disk would, for root too.
TEST(SettingsFailure, WriteThatRunsOutOfSpaceLeavesTheEarlierFileIntact) {
  TempDir dir;
  const std::string content = "[Options]\nDefault Directory=/old\nDefault Font Size=9.0\n";
  writeFile(dir.path() / "dorvesk.ini", content);
  SettingsFile settings(dir.path(), programFolder);

  std::string message;
  try {
    test::FileSizeLimit full(4096);
    settings.writeOptions("/" + std::string(100000, 'n'), "9");
  } catch (const SettingsError &e) {
    message = e.what();
  }

  EXPECT_EQ(message, "Cannot write the settings file \"" + settings.path().string() + "\": " + std::strerror(EFBIG));
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), content);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto &entry : fs::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST(SettingsLocation, ProgramFolderIsTheExecutablesFolder) {
  const std::string folder = SettingsFile::runningProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(fs::exists(fs::path(folder) / "settings_tests"));
}

TEST(SettingsLocation, ConfigFolderFollowsXdgConfigHome) {
  const char *old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/tmp/vesk-xdg-check", 1);
  const auto folder = SettingsFile::userConfigFolder();
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(folder, fs::path("/tmp/vesk-xdg-check"));
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

TEST(FollowFileSetting, IsOnUnlessStoredOffAndIsWrittenInItsOwnSectionKeepingTheOptions) {
  test::TempDir dir;
  SettingsFile settings(dir.path(), "/opt/vesk");
  EXPECT_TRUE(settings.readFollowFile());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "dorvesk.ini")) << "reading writes nothing";
  for (const auto &[stored, on] : std::vector<std::pair<std::string, bool>>{
           {"0", false}, {" Off ", false}, {"false", false}, {"no", false}, {"1", true}, {"yes", true}, {"", true}}) {
    test::writeFile(dir.path() / "dorvesk.ini", "[Options]\nDefault Font Size=12\n[View]\nFollow File=" + stored + "\n");
    EXPECT_EQ(settings.readFollowFile(), on) << stored;
  }
  settings.writeFollowFile(false);
  EXPECT_EQ(test::readFile(dir.path() / "dorvesk.ini"), "[Options]\nDefault Font Size=12\n[View]\nFollow File=0\n");
  settings.writeFollowFile(true);
  EXPECT_TRUE(settings.readFollowFile());
  EXPECT_EQ(settings.storedFontSize(), 12);
}

}  // namespace
}  // namespace vesk
