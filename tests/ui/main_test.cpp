#include "ui/Main.h"

#include "export/mCapture.h"
#include "tests/support/FakeMainForm.h"
#include "tests/ui/FakeDialogs.h"
#include "ui/Options.h"
#include "ui/PictureBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace vesk {
namespace {

using test::FakeDialogs;
using test::TempDir;

struct Window {
  TempDir config;
  FakeDialogs dialogs;
  std::unique_ptr<Main> main;
  Window() { main = std::make_unique<Main>(dialogs, SettingsFile(config.path(), "/opt/vesk")); }
  Main *operator->() { return main.get(); }
  void open(const std::string &path) {
    dialogs.openAnswer = path;
    main->mnOpen->trigger();
  }
};

std::string example(const std::string &name) { return test::sourcePath("examples/" + name).string(); }

// True when the image has any pixel other than its background colour.
bool hasInk(const QImage &image, QColor background) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) != background) return true;
  return false;
}

int countDark(const QImage &image, QRect area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) < 128) ++n;
  return n;
}

bool blank(PictureBox *box) { return !hasInk(box->surface().image(), box->surface().background()); }

TEST(MainWindow, StartsWithTheFixedLayoutAndOnlyOpenOptionsExitEnabled) {
  Window w;
  EXPECT_EQ(w->windowTitle(), "Vesk");
  EXPECT_EQ(w->centralWidget()->size(), QSize(720, 478));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());

  struct Expected {
    PictureBox *box;
    QRect geometry;
  };
  for (const auto &[box, geometry] :
       {Expected{w->Picture3, QRect(56, 416, 664, 57)}, Expected{w->Picture1, QRect(72, 8, 640, 407)},
        Expected{w->Picture2, QRect(0, 0, 75, 415)}}) {
    EXPECT_EQ(box->geometry(), geometry);
    EXPECT_TRUE(blank(box));
  }
  EXPECT_EQ(w->Picture1->surface().background(), QColor(Qt::white));

  const QList<QAction *> bar = w->menuBar()->actions();
  ASSERT_EQ(bar.size(), 4);
  EXPECT_EQ(bar[0], w->mnFile->menuAction());
  EXPECT_EQ(bar[1], w->mnZoom);
  EXPECT_EQ(bar[2], w->mnReset);
  EXPECT_EQ(bar[3], w->mnNoLabels);
  const QList<QAction *> file = w->mnFile->actions();
  // The original entries keep their order, with the desktop's commands around them.
  ASSERT_EQ(file.size(), 9);
  const char *captions[] = {"Open",       "Open Recent", "Print",       "Save as JPEG", "Export...",
                            "Copy Image", "Options",     "Follow File", "Exit"};
  const bool enabled[] = {true, true, false, false, false, false, true, true, true};
  const char *keys[] = {"Ctrl+O", "", "Ctrl+P", "Ctrl+S", "Ctrl+E", "Ctrl+C", "", "", "Ctrl+Q"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(file[i]->isCheckable(), i == 7) << captions[i];
    EXPECT_EQ(file[i]->text(), captions[i]);
    EXPECT_EQ(file[i]->isEnabled(), enabled[i]) << captions[i];
    EXPECT_EQ(file[i]->shortcut(), QKeySequence(keys[i])) << captions[i];
  }
  EXPECT_EQ(w->mnZoom->shortcut(), QKeySequence(Qt::Key_Z));
  EXPECT_EQ(w->mnReset->shortcut(), QKeySequence(Qt::Key_Escape));
  EXPECT_EQ(w->reloadAction->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(w->mnFile->title(), "File");
  EXPECT_FALSE(w->mnZoom->isEnabled());
  EXPECT_FALSE(w->mnReset->isEnabled());
  EXPECT_FALSE(w->mnNoLabels->isEnabled());
  EXPECT_EQ(w->mnNoLabels->text(), "No Labels");
}

TEST(MainWindow, StartUpReadsAndWritesThePreferences) {
  TempDir config;
  {
    std::ofstream ini(config.path() / "dorvesk.ini");
    ini << "[Options]\r\nDefault Font Size=12.5\r\n";
  }
  FakeDialogs dialogs;
  Main main(dialogs, SettingsFile(config.path(), "/opt/vesk"));
  EXPECT_EQ(main.DefaultDirectory, "/opt/vesk");
  EXPECT_DOUBLE_EQ(main.DefaultFontSize, 12.5);
  EXPECT_EQ(SettingsFile(config.path(), "/elsewhere").readDefaultDirectory(), "/opt/vesk");
}

TEST(MainWindow, EveryShippedExampleOpens) {
  for (const auto &entry : std::filesystem::directory_iterator(test::sourcePath("examples"))) {
    if (entry.path().extension() != ".dat") continue;
    Window w;
    w.open(entry.path().string());
    EXPECT_TRUE(w.dialogs.messages.empty()) << entry.path() << ": " << w.dialogs.messages[0].text;
    EXPECT_TRUE(w->isVesk) << entry.path();
    EXPECT_FALSE(blank(w->Picture1)) << entry.path();
  }
}

TEST(MainWindow, CancelledFirstOpenChangesNothing) {
  Window w;
  w.open("");
  ASSERT_EQ(w.dialogs.openCalls.size(), 1u);
  // The default folder does not exist here: the dialog starts in the home folder.
  EXPECT_EQ(w.dialogs.openCalls[0].initDir,
            std::filesystem::is_directory("/opt/vesk") ? "/opt/vesk" : QDir::homePath().toStdString());
  EXPECT_EQ(w.dialogs.openCalls[0].fileName, "vesk.dat");
  EXPECT_FALSE(w->mnPrint->isEnabled());
  EXPECT_FALSE(w->mnSave->isEnabled());
  EXPECT_FALSE(w->mnNoLabels->isEnabled());
  EXPECT_FALSE(w->isVesk);
  EXPECT_TRUE(blank(w->Picture1));
  EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(MainWindow, OpenDrawsTheGraphAndEnablesTheGraphCommands) {
  Window w;
  w.open(example("vesk.dat"));
  EXPECT_TRUE(w->mnPrint->isEnabled());
  EXPECT_TRUE(w->mnSave->isEnabled());
  EXPECT_TRUE(w->mnNoLabels->isEnabled());
  EXPECT_FALSE(w->mnZoom->isEnabled());
  EXPECT_TRUE(w->isVesk);
  EXPECT_FALSE(blank(w->Picture1));
  EXPECT_FALSE(blank(w->Picture2));
  EXPECT_FALSE(blank(w->Picture3));
  EXPECT_EQ(w->currentVesk->model().xTitle, "Time (s)");

  EXPECT_TRUE(w->mnExport->isEnabled());
  EXPECT_TRUE(w->mnCopyImage->isEnabled());

  // A later cancelled Open keeps the graph and leaves the commands enabled.
  w.open("");
  EXPECT_TRUE(w->mnPrint->isEnabled());
  EXPECT_TRUE(w->mnNoLabels->isEnabled());
  EXPECT_FALSE(blank(w->Picture1));
  EXPECT_EQ(w->currentVesk->model().xTitle, "Time (s)");
  w->mnNoLabels->trigger();
  EXPECT_EQ(w->mnNoLabels->text(), "Labels");
}

TEST(MainWindow, FailedLoadShowsOneMessageNamingTheFileAndKeepsTheMenus) {
  TempDir dir;
  const auto bad = dir.path() / "bad.dat";
  std::ofstream(bad, std::ios::binary) << "x\r\ny\r\n0 10 0 abc\r\n";
  Window w;
  w.open(bad.string());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].title, "vesk");
  EXPECT_NE(w.dialogs.messages[0].text.find(bad.string()), std::string::npos);
  EXPECT_NE(w.dialogs.messages[0].text.find("abc"), std::string::npos);
  EXPECT_FALSE(w->mnPrint->isEnabled());
  EXPECT_FALSE(w->isVesk);
  EXPECT_TRUE(blank(w->Picture1));
  EXPECT_TRUE(blank(w->Picture2));

  // After a good graph, a failed Open keeps the commands enabled and the graph shown.
  w.open(example("vesk.dat"));
  w.open(bad.string());
  EXPECT_EQ(w.dialogs.messages.size(), 2u);
  EXPECT_TRUE(w->mnPrint->isEnabled());
  EXPECT_FALSE(blank(w->Picture1));
}

// The "Peak" label of the worked example sits at data (2, 3) plus one text height.
int peakInk(Window &w) {
  const QImage &img = w->Picture1->surface().image();
  const QPointF at = w->Picture1->surface().toPixel(2, 3);
  return countDark(img, QRect(at.toPoint() + QPoint(0, -30), QSize(40, 30)) & img.rect());
}

TEST(MainWindow, NoLabelsHidesTheLabelsForOneRedrawOnly) {
  Window w;
  w.open(example("vesk.dat"));
  const int withLabels = peakInk(w);
  ASSERT_GT(withLabels, 0);

  w->mnNoLabels->trigger();
  EXPECT_EQ(w->mnNoLabels->text(), "Labels");
  EXPECT_FALSE(w->NoLables);
  EXPECT_LT(peakInk(w), withLabels);

  // A drag redraws with the labels while the caption still reads "Labels".
  w->Picture1MouseDown(Qt::LeftButton, {}, 9, -4);
  w->Picture1MouseMove(Qt::LeftButton, {}, 9.5f, -4.5f);
  EXPECT_EQ(peakInk(w), withLabels);
  EXPECT_EQ(w->mnNoLabels->text(), "Labels");

  // An Open while it reads "Labels" keeps the caption and draws the labels.
  w.open(example("vesk.dat"));
  EXPECT_EQ(w->mnNoLabels->text(), "Labels");
  EXPECT_EQ(peakInk(w), withLabels);

  w->mnNoLabels->trigger();
  EXPECT_EQ(w->mnNoLabels->text(), "No Labels");
  EXPECT_EQ(peakInk(w), withLabels);
}

void sendMouse(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

TEST(MainWindow, DragWithAnyButtonRedrawsAndShowsOneRectangle) {
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    Window w;
    w.open(example("vesk.dat"));
    PictureBox *p = w->Picture1;
    // Start at the lower right: corners are taken as they come.
    sendMouse(p, QEvent::MouseButtonPress, QPoint(500, 300), button, button);
    EXPECT_TRUE(w->isDown);
    sendMouse(p, QEvent::MouseMove, QPoint(100, 100), Qt::NoButton, button);
    sendMouse(p, QEvent::MouseMove, QPoint(200, 150), Qt::NoButton, button);
    sendMouse(p, QEvent::MouseButtonRelease, QPoint(200, 150), button, Qt::NoButton);
    EXPECT_FALSE(w->isDown);

    const QPointF start = p->toUser(QPointF(500, 300));
    EXPECT_FLOAT_EQ(float(w->startX), float(start.x()));
    EXPECT_FLOAT_EQ(float(w->startY), float(start.y()));
    const QImage &img = p->surface().image();
    // The latest rectangle's corner is drawn; the first one's was redrawn away.
    EXPECT_LT(qGray(img.pixel(200, 150)), 128);
    EXPECT_LT(qGray(img.pixel(350, 150)), 128);
    EXPECT_GT(qGray(img.pixel(100, 200)), 128);
    EXPECT_TRUE(w->mnZoom->isEnabled());
    EXPECT_FALSE(w->mnReset->isEnabled());
  }
}

TEST(MainWindow, DragBeforeAnyGraphDrawsNothing) {
  Window w;
  w->Picture1MouseDown(Qt::LeftButton, {}, 0.1f, 0.1f);
  w->Picture1MouseMove(Qt::LeftButton, {}, 0.5f, 0.5f);
  w->Picture1MouseMove(Qt::LeftButton, {}, 0.3f, 0.3f);
  EXPECT_TRUE(blank(w->Picture1));
  EXPECT_EQ(w->endX, double(0.3f));
  // Moves without a button held do nothing.
  w->Picture1MouseUp(Qt::LeftButton, {}, 0.3f, 0.3f);
  w->Picture1MouseMove(Qt::NoButton, {}, 0.9f, 0.9f);
  EXPECT_EQ(w->endX, double(0.3f));
  EXPECT_FALSE(w->mnZoom->isEnabled());
}

// The window shows exactly the view's picture, so printing, saving and export agree.
TEST(MainWindow, CaptureIsPixelIdenticalToTheViewsPicture) {
  for (const auto &file : {example("vesk.dat"), test::sourcePath("fuzz/seeds/labels-angles.dat").string()}) {
    Window w;
    w.open(file);
    ASSERT_TRUE(w->isVesk) << file;
    const QImage picture = CaptureFormClient(*w.main);
    ASSERT_EQ(picture.size(), QSize(720, 478));
    EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB32), w->view().picture()) << file;
  }
}

TEST(MainWindow, ExitWhileOptionsAreShownClosesThemAndWritesNothing) {
  Window w;
  w->show();
  w->mnOptions->trigger();
  ASSERT_NE(w->optionsDialog(), nullptr);
  EXPECT_TRUE(w->optionsDialog()->isVisible());
  const auto ini = w.config.path() / "dorvesk.ini";
  std::ifstream before(ini);
  const std::string content((std::istreambuf_iterator<char>(before)), {});
  w->optionsDialog()->Text1->setText("/changed");
  w->mnExit->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(w->optionsDialog() == nullptr || !w->optionsDialog()->isVisible());
  std::ifstream after(ini);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), content);
}

TEST(MainWindow, OptionsAreCreatedOnceAndKeptWhenHidden) {
  Window w;
  w->mnOptions->trigger();
  Options *first = w->optionsDialog();
  ASSERT_NE(first, nullptr);
  first->cmdCancel->click();
  EXPECT_FALSE(first->isVisible());
  w->mnOptions->trigger();
  EXPECT_EQ(w->optionsDialog(), first);
  EXPECT_TRUE(first->isVisible());
}

TEST(MainWindow, NewFontSizeAppliesFromTheNextRedraw) {
  Window w;
  w.open(example("vesk.dat"));
  const QImage before = w->Picture3->surface().image().copy();
  w->mnOptions->trigger();
  w->optionsDialog()->Combo1->setEditText("15");
  w->optionsDialog()->cmdOK->click();
  EXPECT_DOUBLE_EQ(w->DefaultFontSize, 15);
  EXPECT_EQ(w->Picture3->surface().image(), before);
  w->mnNoLabels->trigger();
  EXPECT_NE(w->Picture3->surface().image(), before);
}

}  // namespace
}  // namespace vesk
