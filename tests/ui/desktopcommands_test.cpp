// Copy Image, Export..., Open Recent and standard input in the window.
#include "settings/RecentList.h"
#include "tests/support/ExportTestHelpers.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/ui/TestWindow.h"
#include "ui/CopyImage.h"
#include "ui/Desktop.h"
#include "ui/ExportCommand.h"
#include "ui/Main.h"
#include "ui/RecentFiles.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QMimeData>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

namespace vesk::desktopcommands {
namespace {

namespace fs = std::filesystem;

struct Window : test::TestWindow {
  // The example opened and zoomed into its middle.
  void zoomed() {
    main->openFile(test::sourcePath("examples/vesk.dat").string());
    main->Picture1MouseDown(Qt::LeftButton, {}, 2, 4);
    main->Picture1MouseMove(Qt::LeftButton, {}, 7, -2);
    main->Picture1MouseUp(Qt::LeftButton, {}, 7, -2);
    main->mnZoom->trigger();
  }
};

TEST(CopyImage, PutsTheShownViewOnTheClipboardAsAnImageAndAsSvg) {
  Window w;
  EXPECT_FALSE(w->mnCopyImage->isEnabled());
  w.zoomed();
  ASSERT_TRUE(w->mnCopyImage->isEnabled());
  EXPECT_EQ(w->mnCopyImage->shortcut(), QKeySequence(QKeySequence::Copy));
  w->mnCopyImage->trigger();

  const QMimeData *data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  ASSERT_TRUE(data->hasImage());
  const QImage copied = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(copied == w->view().picture().convertToFormat(QImage::Format_RGB32));

  ASSERT_TRUE(data->hasFormat(svgMimeType));
  QXmlStreamReader svg(data->data(svgMimeType));
  ASSERT_TRUE(svg.readNextStartElement());
  EXPECT_EQ(svg.name(), u"svg");
  // The drawing is the zoomed view: its x ticks run from 2 to 7, and 10 is not among them.
  const QString text = QString::fromUtf8(data->data(svgMimeType));
  EXPECT_TRUE(text.contains(QStringLiteral(">3<")) || text.contains(QStringLiteral(">3.0<")));
  EXPECT_FALSE(text.contains(QStringLiteral(">10<")));
}

struct ExportCase {
  const char *answer;  // the name given in the dialog
  int filterIndex;
  const char *written;  // the file that must appear
  const char *view;     // "full", "zoomed" or "no labels"
};

void render(const fs::path &file, const fs::path &png) {
  const std::string ext = file.extension().string();
  const std::string command = ext == ".pdf" ? "pdftoppm -r 96 -png -singlefile " + test::quoted(file) + " " +
                                                  test::quoted(png.parent_path() / png.stem())
                              : ext == ".svg" ? "rsvg-convert -o " + test::quoted(png) + " " + test::quoted(file)
                                              : "convert " + test::quoted(file) + " " + test::quoted(png);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(ExportCommand, WritesTheShownViewInEachTypeItsDialogOffers) {
  const ExportCase cases[] = {
      {"a.png", 1, "a.png", "zoomed"},    {"b", 2, "b.jpg", "zoomed"},   {"c.pdf", 1, "c.pdf", "zoomed"},
      {"d", 4, "d.svg", "zoomed"},        {"e.svg", 1, "e.svg", "full"}, {"f.PNG", 3, "f.PNG", "no labels"},
      {"g.pdf", 4, "g.pdf", "no labels"},
  };
  for (const ExportCase &c : cases) {
    Window w;
    EXPECT_FALSE(w->mnExport->isEnabled());
    const std::string view = c.view;
    if (view == "zoomed")
      w.zoomed();
    else
      w->openFile(test::sourcePath("examples/vesk.dat").string());
    if (view == "no labels") w->mnNoLabels->trigger();
    const QImage shown = w->view().picture();
    const fs::path file = w.data.path() / c.written;
    w.dialogs.saveAnswer = SaveFileAnswer{(w.data.path() / c.answer).string(), c.filterIndex};
    w->mnExport->trigger();
    ASSERT_EQ(w.dialogs.saveRequests.size(), 1u);
    const SaveFileRequest &request = w.dialogs.saveRequests[0];
    EXPECT_EQ(request.fileName, w.config.path().string() + "/vesk.png") << "the data file's name in the default folder";
    ASSERT_EQ(request.filters.size(), 4u);
    EXPECT_TRUE(w.dialogs.messages.empty()) << c.written << ": " << w.dialogs.messages[0].text;
    ASSERT_TRUE(fs::exists(file)) << c.written;
    EXPECT_EQ(test::folderEntries(w.data.path()).size(), 1u) << c.written;

    render(file, w.config.path() / "back.png");
    const QImage back = QImage(QString::fromStdString((w.config.path() / "back.png").string()));
    // pdftoppm rounds the page of 477.9 pixels up.
    ASSERT_EQ(back.width(), shown.width()) << c.written;
    ASSERT_LE(std::abs(back.height() - shown.height()), 1) << c.written;
    const QRect graph(72, 8, 640, 406);
    EXPECT_GE(test::inkFoundNear(shown.copy(graph), back.copy(graph)), 0.97) << c.written;
    EXPECT_GE(test::inkFoundNear(back.copy(graph), shown.copy(graph)), 0.97) << c.written;
  }
}

TEST(ExportCommand, ProposesTheDataFilesNameAndReportsAFailureKeepingTheEarlierFile) {
  Window w;
  const fs::path data = w.data.path() / "run 7.dat";
  fs::copy_file(test::sourcePath("examples/vesk.dat"), data);
  w->openFile(data.string());
  const fs::path earlier = w.data.path() / "out.svg";
  test::writeFile(earlier, "earlier");
  w.dialogs.saveAnswer = SaveFileAnswer{earlier.string(), 4};
  {
    // The disk fills up part-way through.
    test::FileSizeLimit full(1024);
    w->mnExport->trigger();
  }
  EXPECT_EQ(w.dialogs.saveRequests.at(0).fileName, w.config.path().string() + "/run 7.png");
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].icon, Dialogs::Icon::Warning);
  EXPECT_EQ(
      w.dialogs.messages[0].text.rfind("Failed to export the picture to the file '" + earlier.string() + "':\n", 0), 0u)
      << w.dialogs.messages[0].text;
  EXPECT_NE(w.dialogs.messages[0].text.find("too large"), std::string::npos) << w.dialogs.messages[0].text;
  EXPECT_EQ(test::readFile(earlier), "earlier");
  EXPECT_EQ(test::folderEntries(w.data.path()).size(), 2u) << "no temporary file is left";
}

TEST(ExportCommand, RasterScaleIsTheScreensRatioRoundedUp) {
  for (const auto &[ratio, scale] : {std::pair{1.0, 1}, {1.0000001, 1}, {1.25, 2}, {2.0, 2}, {0.5, 1}, {20.0, 8}})
    EXPECT_EQ(exportScaleFor(ratio), scale) << ratio;
}

std::vector<std::string> entries(Window &w) {
  w->recentFiles().rebuild();
  std::vector<std::string> texts;
  for (QAction *a : w->mnOpenRecent->actions())
    if (!a->isSeparator()) texts.push_back(a->data().toString().toStdString() + (a->isEnabled() ? "" : " (greyed)"));
  return texts;
}

TEST(OpenRecent, ListsFilesOpenedByAnyMeansNewestFirstAndReopensThem) {
  Window w;
  const fs::path a = w.data.path() / "a.dat", b = w.data.path() / "b.dat";
  fs::copy_file(test::sourcePath("examples/vesk.dat"), a);
  fs::copy_file(test::sourcePath("examples/temperature.dat"), b);
  const QList<QAction *> file = w->mnFile->actions();
  ASSERT_GE(file.size(), 3);
  EXPECT_EQ(file[0], w->mnOpen);
  EXPECT_EQ(file[1]->menu(), w->mnOpenRecent);
  EXPECT_EQ(entries(w), (std::vector<std::string>{" (greyed)"})) << "only Clear List, greyed";

  w.open(a.string());
  w->openFile(b.string());
  w.open("");
  w->openFile((w.data.path() / "missing.dat").string());
  EXPECT_EQ(entries(w), (std::vector<std::string>{b.string(), a.string(), ""}));

  // Chosen, an entry opens its file and comes first.
  w->mnOpenRecent->actions()[1]->trigger();
  EXPECT_EQ(w->currentVesk->model().xTitle, "Time (s)");
  EXPECT_EQ(entries(w), (std::vector<std::string>{a.string(), b.string(), ""}));

  // A file that is gone is greyed; if it goes while the menu is open, choosing it says so and drops it.
  fs::remove(b);
  EXPECT_EQ(entries(w), (std::vector<std::string>{a.string(), b.string() + " (greyed)", ""}));
  fs::remove(a);
  const std::size_t messages = w.dialogs.messages.size();
  w->mnOpenRecent->actions()[0]->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), messages + 1);
  EXPECT_NE(w.dialogs.messages.back().text.find(a.string()), std::string::npos);
  EXPECT_EQ(w->currentVesk->model().xTitle, "Time (s)") << "the graph shown stays";
  EXPECT_EQ(entries(w), (std::vector<std::string>{b.string() + " (greyed)", ""}));

  // Clear List empties it.
  QList<QAction *> actions = w->mnOpenRecent->actions();
  actions.back()->trigger();
  EXPECT_EQ(entries(w), (std::vector<std::string>{" (greyed)"}));
}

// Runs body with standard input reading text.
void withStandardInput(const std::string &text, const std::function<void()> &body) {
  test::TempDir dir;
  test::writeFile(dir.path() / "in", text);
  const int saved = ::dup(0);
  const int in = ::open((dir.path() / "in").c_str(), O_RDONLY);
  ::dup2(in, 0);
  ::close(in);
  std::clearerr(stdin);
  body();
  ::dup2(saved, 0);
  ::close(saved);
  std::clearerr(stdin);
}

TEST(StandardInput, TheWindowShowsItAndF5SaysThereIsNoFileToReadAgain) {
  Window w;
  withStandardInput("Piped\ny\n0 10 0 10\n0 2 0 0\n1 1 0\n9 9 0\n", [&] { w->openStandardInput(); });
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w->currentVesk->model().xTitle, "Piped");
  EXPECT_TRUE(w->mnPrint->isEnabled());
  w->reloadAction->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find("standard input"), std::string::npos);
  EXPECT_EQ(w->currentVesk->model().xTitle, "Piped");
  EXPECT_EQ(entries(w).size(), 1u) << "nothing goes on the recent list";

  withStandardInput("x\ny\n0 10 0 abc\n", [&] { w->openStandardInput(); });
  ASSERT_EQ(w.dialogs.messages.size(), 2u);
  EXPECT_EQ(w.dialogs.messages[1].text.rfind("Cannot load standard input: line 3", 0), 0u)
      << w.dialogs.messages[1].text;
  EXPECT_EQ(w->currentVesk->model().xTitle, "Piped");
}

TEST(Defaults, AnInstalledProgramsFolderGivesTheHomeFolderAndAMissingOneStartsTheDialogsAtHome) {
  test::TempDir dir;
  EXPECT_EQ(SettingsFile::defaultFolderFor(dir.path().string()), dir.path().string());
  ::chmod(dir.path().c_str(), 0500);
  const std::string readOnly = SettingsFile::defaultFolderFor(dir.path().string());
  ::chmod(dir.path().c_str(), 0700);
  if (::geteuid() != 0) {
    EXPECT_EQ(readOnly, QDir::homePath().toStdString());
  }
  EXPECT_EQ(SettingsFile::defaultFolderFor("/no/such/folder"), QDir::homePath().toStdString());

  for (const std::string &folder : {std::string("/no/such/folder"), std::string(), std::string("relative")})
    EXPECT_EQ(usableFolder(folder), QDir::homePath().toStdString()) << folder;

  Window w;
  w->DefaultDirectory = "/no/such/folder";
  fs::remove(w.config.path() / "dorvesk.ini");
  test::writeFile(w.config.path() / "dorvesk.ini", "[Options]\nDefault Directory=/no/such/folder\n");
  w.open("");
  w.dialogs.saveAnswer.reset();
  w->mnSave->setEnabled(true);
  w->mnSave->trigger();
  ASSERT_EQ(w.dialogs.openCalls.size(), 1u);
  EXPECT_EQ(w.dialogs.openCalls[0].initDir, QDir::homePath().toStdString());
  ASSERT_EQ(w.dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(w.dialogs.saveRequests[0].fileName, QDir::homePath().toStdString() + "/vesk.jpg");
  EXPECT_FALSE(w->windowIcon().isNull());
}

}  // namespace
}  // namespace vesk::desktopcommands
