#include "settings/RecentList.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

using Files = std::vector<std::string>;

TEST(RecentList, KeepsTenNewestFirstInItsOwnSectionAndTheRestOfTheFileAsItWas) {
  test::TempDir dir;
  const SettingsFile settings(dir.path(), "/opt/vesk");
  const std::string foreign =
      "; kept by hand\r\n[Options]\r\nDefault Directory=/data\r\n\r\n[Other]\r\nFile1=not ours\r\n";
  test::writeFile(settings.path(), foreign);
  const RecentList recent(settings);
  EXPECT_EQ(recent.files(), Files{});

  for (int i = 1; i <= 12; ++i) recent.add("/data/" + std::to_string(i) + ".dat");
  Files expected;
  for (int i = 12; i >= 3; --i) expected.push_back("/data/" + std::to_string(i) + ".dat");
  EXPECT_EQ(recent.files(), expected);

  // Opened again, a file moves to the front once.
  recent.add("/data/7.dat");
  EXPECT_EQ(recent.files().front(), "/data/7.dat");
  EXPECT_EQ(recent.files().size(), 10u);
  EXPECT_EQ(recent.files()[5], "/data/8.dat");

  recent.remove("/data/12.dat");
  EXPECT_EQ(recent.files().size(), 9u);
  EXPECT_EQ(recent.files()[1], "/data/11.dat");

  // What the file must give back unchanged is kept; anything else is not recorded.
  for (const std::string &odd : {std::string("/data/a\nb.dat"), std::string(" /lead.dat"), std::string("/trail.dat "),
                                 std::string(2000, 'x'), std::string()})
    recent.add(odd);
  EXPECT_EQ(recent.files().size(), 9u);
  recent.add("/data/with = and ; and [x].dat");
  EXPECT_EQ(recent.files().front(), "/data/with = and ; and [x].dat");

  const std::string text = test::readFile(settings.path());
  EXPECT_EQ(text.rfind(foreign, 0), 0u) << text;
  EXPECT_NE(text.find("\r\n[Recent Files]\r\nFile1=/data/with = and ; and [x].dat\r\n"), std::string::npos) << text;
  EXPECT_EQ(settings.readDefaultDirectory(), "/data");

  recent.clear();
  EXPECT_EQ(recent.files(), Files{});
  EXPECT_EQ(test::readFile(settings.path()).rfind(foreign, 0), 0u);
}

TEST(RecentList, ASettingsFileThatCannotBeWrittenThrowsAndKeepsTheList) {
  test::TempDir dir;
  const SettingsFile settings(dir.path() / "plain" / "config", "/opt/vesk");
  test::writeFile(dir.path() / "plain", "a file where the folder should be");
  EXPECT_THROW(RecentList(settings).add("/data/a.dat"), SettingsError);
  EXPECT_EQ(RecentList(settings).files(), Files{});
}

}  // namespace
}  // namespace vesk
