#include "ui/Main.h"

#include "tests/support/FakeMainForm.h"
#include "tests/ui/FakeDialogs.h"

#include <gtest/gtest.h>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <filesystem>

namespace vesk {
namespace {

using test::FakeDialogs;
using test::TempDir;

QString run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

struct PrintWindow {
  TempDir dir;
  FakeDialogs dialogs;
  Main main{dialogs, SettingsFile(dir.path(), "/opt/vesk")};
  int entryChanges = 0;
  PrintWindow() {
    dialogs.openAnswer = test::sourcePath("examples/vesk.dat").string();
    main.mnOpen->trigger();
    for (QAction *a : {main.mnFile->menuAction(), main.mnOpen, main.mnPrint, main.mnExit, main.mnZoom, main.mnReset})
      QObject::connect(a, &QAction::changed, [this] { ++entryChanges; });
  }
  std::filesystem::path printTo(int copies, QPageLayout::Orientation orientation) {
    auto pdf = dir.path() / "out.pdf";
    dialogs.printAnswer = true;
    dialogs.printHook = [=](QPrinter &printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf.string()));
      printer.setCopyCount(copies);
      printer.setPageOrientation(orientation);
    };
    main.mnPrint->trigger();
    return pdf;
  }
};

// The page holds the window's pixels as they are, not a JPEG of them.
TEST(Printing, ThePrintedImageIsStoredLosslessly) {
  PrintWindow w;
  const auto pdf = w.printTo(1, QPageLayout::Portrait);
  const QString images = run("pdfimages", {"-list", QString::fromStdString(pdf.string())});
  const QRegularExpressionMatch row = QRegularExpression(" image +720 +478 .*").match(images);
  ASSERT_TRUE(row.hasMatch()) << images.toStdString();
  EXPECT_FALSE(row.captured(0).contains("jpeg")) << images.toStdString();
}

TEST(Printing, EachCopyIsOnePageWithTheWindowImageAtItsNaturalSize) {
  PrintWindow w;
  const auto pdf = w.printTo(3, QPageLayout::Landscape);
  ASSERT_TRUE(std::filesystem::exists(pdf));
  const QString info = run("pdfinfo", {QString::fromStdString(pdf.string())});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+3\\n"))) << info.toStdString();
  // Landscape pages: wider than high.
  const QRegularExpressionMatch size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+)").match(info);
  ASSERT_TRUE(size.hasMatch()) << info.toStdString();
  EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());

  // One 720 x 478 image per page, at 96 pixels per inch (7.5 inches wide).
  const QStringList rows = run("pdfimages", {"-list", QString::fromStdString(pdf.string())}).split('\n');
  int images = 0;
  for (const QString &row : rows) {
    const QStringList cols = row.simplified().split(' ');
    if (cols.size() < 14 || cols[2] != "image") continue;
    ++images;
    EXPECT_EQ(cols[3], "720");
    EXPECT_EQ(cols[4], "478");
    EXPECT_EQ(cols[12], "96");
  }
  EXPECT_EQ(images, 3);
  // Every entry hidden for a capture is shown again.
  for (QAction *a :
       {w.main.mnFile->menuAction(), w.main.mnOpen, w.main.mnPrint, w.main.mnExit, w.main.mnZoom, w.main.mnReset})
    EXPECT_TRUE(a->isVisible());
  EXPECT_TRUE(w.main.mnPrint->isEnabled());
}

TEST(Printing, CancelPrintsNothingAndTouchesNoEntry) {
  PrintWindow w;
  auto pdf = w.dir.path() / "cancelled.pdf";
  w.dialogs.printAnswer = false;
  w.dialogs.printHook = [&](QPrinter &printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
  };
  w.main.mnPrint->trigger();
  EXPECT_EQ(w.dialogs.printCalls.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(w.entryChanges, 0);
}

TEST(Printing, APdfThatCannotBeStartedIsReportedWithTheEntriesShown) {
  PrintWindow w;
  w.dialogs.printAnswer = true;
  w.dialogs.printHook = [&](QPrinter &printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((w.dir.path() / "missing" / "out.pdf").string()));
    printer.setCopyCount(2);
  };
  w.main.mnPrint->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].title, "vesk");
  EXPECT_NE(w.dialogs.messages[0].text.find("No such file or directory"), std::string::npos);
  EXPECT_TRUE(w.main.mnFile->menuAction()->isVisible());
  EXPECT_TRUE(w.main.mnExit->isVisible());
}

}  // namespace
}  // namespace vesk
