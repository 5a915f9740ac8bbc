#include "ui/RecentlyUsed.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QLockFile>
#include <QXmlStreamReader>

#include <map>

namespace vesk::recentlyused {
namespace {

const QString bookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");

// Per bookmark: its href, and for each program that opened it, the program's count.
using Bookmarks = std::map<QString, std::map<QString, int>>;

Bookmarks read(const std::filesystem::path &file) {
  QXmlStreamReader r(QByteArray::fromStdString(test::readFile(file)));
  Bookmarks marks;
  QString href;
  while (!r.atEnd()) {
    if (r.readNext() != QXmlStreamReader::StartElement) continue;
    if (r.name() == u"bookmark") href = r.attributes().value(QLatin1String("href")).toString(), marks[href];
    if (r.name() == u"application" && r.namespaceUri() == bookmarkNs)
      marks[href][r.attributes().value(QLatin1String("name")).toString()] =
          r.attributes().value(QLatin1String("count")).toInt();
  }
  EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
  return marks;
}

const std::string others = R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
  <bookmark href="file:///home/u/letter.odt" added="2024-01-01T10:00:00Z" modified="2024-01-01T10:00:00Z" visited="2024-01-01T10:00:00Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="application/vnd.oasis.opendocument.text"/>
        <bookmark:groups><bookmark:group>Office</bookmark:group></bookmark:groups>
        <bookmark:applications>
          <bookmark:application name="Writer" exec="&apos;writer %u&apos;" modified="2024-01-01T10:00:00Z" count="3"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
  <bookmark href="file:///tmp/my%20graph.dat" added="2024-02-02T10:00:00Z" modified="2024-02-02T10:00:00Z" visited="2024-02-02T10:00:00Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:applications>
          <bookmark:application name="gedit" exec="&apos;gedit %u&apos;" modified="2024-02-02T10:00:00Z" count="5"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
</xbel>
)";

TEST(RecentlyUsed, AddsVeskToTheDesktopsListAndKeepsEveryOtherProgramsEntries) {
  test::TempDir dir;
  const auto xbel = dir.path() / "share" / "recently-used.xbel";
  const QString file = QString::fromStdString(xbel.string());
  const QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-09T05:00:00Z"), Qt::ISODate);

  // A new list.
  ASSERT_TRUE(addToRecentlyUsed(QStringLiteral("/tmp/a.dat"), file, now));
  EXPECT_EQ(read(xbel), (Bookmarks{{"file:///tmp/a.dat", {{"vesk", 1}}}}));

  // A list other programs keep: their bookmarks, groups and records stay; a
  // file gedit opened gets Vesk's record beside gedit's.
  test::writeFile(xbel, others);
  ASSERT_TRUE(addToRecentlyUsed(QStringLiteral("/tmp/my graph.dat"), file, now));
  ASSERT_TRUE(addToRecentlyUsed(QStringLiteral("/tmp/my graph.dat"), file, now));
  ASSERT_TRUE(addToRecentlyUsed(QStringLiteral("/tmp/b.dat"), file, now));
  EXPECT_EQ(read(xbel), (Bookmarks{{"file:///home/u/letter.odt", {{"Writer", 3}}},
                                   {"file:///tmp/my%20graph.dat", {{"gedit", 5}, {"vesk", 2}}},
                                   {"file:///tmp/b.dat", {{"vesk", 1}}}}));
  const std::string text = test::readFile(xbel);
  EXPECT_NE(text.find("<bookmark:group>Office</bookmark:group>"), std::string::npos) << text;
  EXPECT_NE(text.find("added=\"2024-02-02T10:00:00Z\""), std::string::npos) << "the first use is kept";
  EXPECT_NE(text.find("visited=\"2026-12-09T05:00:00.000Z\""), std::string::npos) << text;
}

TEST(RecentlyUsed, AListThatIsLockedOrBrokenIsLeftAlone) {
  test::TempDir dir;
  const auto xbel = dir.path() / "recently-used.xbel";
  const QString file = QString::fromStdString(xbel.string());
  test::writeFile(xbel, others);
  {
    QLockFile held(file + QStringLiteral(".lock"));
    ASSERT_TRUE(held.lock());
    EXPECT_FALSE(addToRecentlyUsed(QStringLiteral("/tmp/a.dat"), file));
  }
  EXPECT_EQ(test::readFile(xbel), others);

  const std::string broken = others.substr(0, others.size() / 2);
  test::writeFile(xbel, broken);
  EXPECT_FALSE(addToRecentlyUsed(QStringLiteral("/tmp/a.dat"), file));
  EXPECT_EQ(test::readFile(xbel), broken);
}

}  // namespace
}  // namespace vesk::recentlyused
