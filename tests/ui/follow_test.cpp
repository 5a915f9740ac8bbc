#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/ui/TestWindow.h"
#include "ui/FileFollower.h"
#include "ui/Main.h"
#include "ui/PictureBox.h"
#include "ui/StatusReadout.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QThread>
#include <QWheelEvent>

#include <functional>

namespace vesk {
namespace follow_test {

namespace fs = std::filesystem;

struct Win : test::TestWindow {
  Win() : TestWindow("/opt/vesk") {}
  void open(const fs::path &path) { TestWindow::open(path.string()); }
  std::string status() const { return main->statusText->text().toStdString(); }
  std::string xTitle() const { return main->currentVesk->model().xTitle; }
  // The graph area's edges as shown.
  ViewRect shown() const {
    const QtSurface &s = main->Picture1->surface();
    return {s.ScaleLeft(), s.ScaleTop(), s.ScaleLeft() + s.ScaleWidth(), s.ScaleTop() + s.ScaleHeight()};
  }
  QPointF dataAt(QPointF pixel) const { return main->Picture1->toUser(pixel); }
};

// Runs the event loop until done() holds; false after ms.
bool waitUntil(const std::function<bool()> &done, int ms = 4000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return true;
}

// Runs the event loop for ms, for what must not happen.
void idle(int ms) {
  waitUntil([] { return false; }, ms);
}

std::string data(const std::string &title, const std::string &limits = "0 10 0 10") {
  return title + "\r\ny\r\n" + limits + "\r\n0 2 0 5\r\n2 3 7\r\n8 6 -4\r\n";
}

// How writers replace a file.
void renameSave(const fs::path &file, const std::string &text) {
  test::writeFile(file.string() + ".part", text);
  fs::rename(file.string() + ".part", file);
}
void truncateWrite(const fs::path &file, const std::string &text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.flush();
  out << text;
}

void mouse(Win &w, QEvent::Type type, QPointF at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const auto held = type == QEvent::MouseButtonRelease || (type == QEvent::MouseMove && mods == Qt::NoModifier)
                        ? Qt::NoButton
                        : Qt::LeftButton;
  QMouseEvent event(type, at, w->Picture1->mapToGlobal(at), button, held, mods);
  QApplication::sendEvent(w->Picture1, &event);
}

void wheel(Win &w, QPointF at, int angle) {
  QWheelEvent event(at, w->Picture1->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(w->Picture1, &event);
}

void expectNear(const ViewRect &a, const ViewRect &b) {
  const double tx = 1e-9 * std::abs(b.right - b.left), ty = 1e-9 * std::abs(b.bottom - b.top);
  EXPECT_NEAR(a.left, b.left, tx);
  EXPECT_NEAR(a.right, b.right, tx);
  EXPECT_NEAR(a.top, b.top, ty);
  EXPECT_NEAR(a.bottom, b.bottom, ty);
}

const fs::path example = test::sourcePath("examples/vesk.dat");

TEST(StatusBar, ShowsCoordinatesTheNearestPointOrTheFileAndTheCaptionNamesTheFile) {
  Win w;
  EXPECT_EQ(w->windowTitle(), "Vesk");
  mouse(w, QEvent::MouseMove, {320, 100});
  EXPECT_EQ(w.status(), "") << "nothing to read before a graph is shown";
  w.dialogs.openAnswer = "";
  w->mnOpen->trigger();
  EXPECT_EQ(w->windowTitle(), "Vesk") << "a cancelled first Open";
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(w->Picture1, &leave);

  w.open(example);
  EXPECT_EQ(w->windowTitle(), "vesk.dat - Vesk");
  EXPECT_EQ(w->centralWidget()->size(), QSize(720, 478));
  EXPECT_TRUE(w->statusBar()->isVisibleTo(w.main.get()));
  EXPECT_EQ(w.status(), "vesk.dat: 2 data sets, 5 points, 1 label");
  // 10 units over 640 pixels across and 10 over 406.7 down: two decimals each.
  mouse(w, QEvent::MouseMove, {320, 100});
  EXPECT_EQ(w.status(), "x = 5.00, y = 2.54");
  // Within 6 pixels of the point (5, 4.5), and just beyond.
  const QPointF point = w->Picture1->surface().toPixel(5, 4.5);
  mouse(w, QEvent::MouseMove, point + QPointF(3, -4));
  EXPECT_EQ(w.status(), "set 1, point 2: x = 5, y = 4.5, tag 0");
  mouse(w, QEvent::MouseMove, point + QPointF(4, -5));
  EXPECT_EQ(w.status().substr(0, 4), "x = ");
  QApplication::sendEvent(w->Picture1, &leave);
  EXPECT_EQ(w.status(), "vesk.dat: 2 data sets, 5 points, 1 label");

  // In a zoomed view the readout follows the view shown.
  mouse(w, QEvent::MouseMove, {320, 100});
  w->zoomInAction->trigger();
  // 8 by 8 units: y = 4 - 100 * 8 / 406.7, still two decimals.
  EXPECT_EQ(w.status(), "x = 5.00, y = 2.03");
  // 10 / 1.25^7 = 2.1 units each way: a pixel spans 0.0033 across and 0.0052 down.
  for (int i = 0; i < 6; ++i) w->zoomInAction->trigger();
  EXPECT_EQ(w.status(), "x = 5.000, y = 0.533");
}

TEST(Navigation, WheelKeysBackForwardAndResetMoveThroughTheViews) {
  Win w;
  w.open(example);
  const ViewRect full = w.shown();
  w->panRightAction->trigger();
  EXPECT_FALSE(w->isZoom) << "the arrows pan a zoomed view only";

  const QPointF at(160, 100);
  const QPointF under = w.dataAt(at);
  wheel(w, at, 120);
  const ViewRect wheeled = w.shown();
  EXPECT_TRUE(w->isZoom);
  EXPECT_TRUE(w->mnReset->isEnabled());
  EXPECT_NEAR(wheeled.right - wheeled.left, (full.right - full.left) / 1.25, 1e-12);
  EXPECT_NEAR(w.dataAt(at).x(), under.x(), 1e-12);
  EXPECT_NEAR(w.dataAt(at).y(), under.y(), 1e-12);

  w->panRightAction->trigger();
  const ViewRect panned = w.shown();
  EXPECT_NEAR(panned.left, wheeled.left + (wheeled.right - wheeled.left) / 10, 1e-12);
  w->panUpAction->trigger();
  const ViewRect up = w.shown();
  EXPECT_NEAR(up.top, panned.top + (panned.top - panned.bottom) / 10, 1e-12);

  w->backAction->trigger();
  expectNear(w.shown(), panned);
  w->backAction->trigger();
  expectNear(w.shown(), wheeled);
  w->backAction->trigger();
  expectNear(w.shown(), full);
  EXPECT_FALSE(w->isZoom);
  EXPECT_FALSE(w->mnReset->isEnabled());
  w->backAction->trigger();
  expectNear(w.shown(), full);
  w->forwardAction->trigger();
  expectNear(w.shown(), wheeled);
  EXPECT_TRUE(w->mnReset->isEnabled());

  w->zoomOutAction->trigger();
  const ViewRect out = w.shown();
  EXPECT_NEAR(out.right - out.left, full.right - full.left, 1e-12) << "1.25 times out of 1.25 times in";
  EXPECT_NEAR((out.left + out.right) / 2, (wheeled.left + wheeled.right) / 2, 1e-12);
  w->forwardAction->trigger();
  expectNear(w.shown(), out);  // nothing ahead: the new view dropped what lay ahead

  w->mnResetClick();
  expectNear(w.shown(), full);
  w->backAction->trigger();
  expectNear(w.shown(), full);
  w->forwardAction->trigger();
  expectNear(w.shown(), full);
  EXPECT_TRUE(w.dialogs.messages.empty());

  EXPECT_EQ(w->backAction->shortcuts(), (QList<QKeySequence>{Qt::Key_Backspace, Qt::ALT | Qt::Key_Left}));
  EXPECT_EQ(w->forwardAction->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Right));
  EXPECT_EQ(w->panDownAction->shortcut(), QKeySequence(Qt::Key_Down));
  EXPECT_EQ(w->zoomInAction->shortcut(), QKeySequence(Qt::Key_Plus));
  EXPECT_EQ(w->zoomOutAction->shortcut(), QKeySequence(Qt::Key_Minus));
}

TEST(Navigation, ReversedAxesStayReversedInEveryView) {
  test::TempDir dir;
  const fs::path file = dir.path() / "reversed.dat";
  test::writeFile(file, data("depth", "4000 400 5 -5"));
  Win w;
  w.open(file);
  const auto reversed = [&] {
    const ViewRect v = w.shown();
    return v.left > v.right && v.bottom > v.top;
  };
  ASSERT_TRUE(reversed());
  mouse(w, QEvent::MouseButtonPress, {400, 300});
  mouse(w, QEvent::MouseMove, {200, 100}, Qt::NoModifier);
  QMouseEvent held(QEvent::MouseMove, QPointF(100, 50), w->Picture1->mapToGlobal(QPointF(100, 50)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->Picture1, &held);
  mouse(w, QEvent::MouseButtonRelease, {100, 50});
  ASSERT_TRUE(w->mnZoom->isEnabled());
  const QPointF corner = w.dataAt({100, 50});
  w->mnZoom->trigger();
  EXPECT_TRUE(reversed()) << "Zoom";
  EXPECT_NEAR(w.shown().left, corner.x(), 1e-3);
  for (QAction *step : {w->zoomInAction, w->panLeftAction, w->panDownAction, w->zoomOutAction, w->backAction}) {
    step->trigger();
    EXPECT_TRUE(reversed()) << step->text().toStdString();
  }
  wheel(w, {50, 50}, -240);
  EXPECT_TRUE(reversed()) << "wheel";
  EXPECT_TRUE(w.dialogs.messages.empty()) << "no corner refused";
}

TEST(Navigation, ACtrlDragPansAZoomedViewWithThePointerAsOneStep) {
  Win w;
  w.open(example);
  wheel(w, {320, 200}, 240);
  const ViewRect zoomed = w.shown();
  const QPointF grabbed = w.dataAt({200, 200});
  mouse(w, QEvent::MouseButtonPress, {200, 200}, Qt::ControlModifier);
  mouse(w, QEvent::MouseMove, {230, 210}, Qt::ControlModifier);
  mouse(w, QEvent::MouseMove, {260, 230}, Qt::ControlModifier);
  mouse(w, QEvent::MouseButtonRelease, {260, 230}, Qt::ControlModifier);
  EXPECT_NEAR(w.dataAt({260, 230}).x(), grabbed.x(), 1e-12);
  EXPECT_NEAR(w.dataAt({260, 230}).y(), grabbed.y(), 1e-12);
  EXPECT_FALSE(w->mnZoom->isEnabled()) << "no selection";
  w->backAction->trigger();
  expectNear(w.shown(), zoomed);
}

TEST(Following, FileFollowerReportsEachSettledChangeOnceAndNothingElse) {
  test::TempDir dir;
  const fs::path file = dir.path() / "log.dat";
  test::writeFile(file, "one");
  FileFollower follower(nullptr, 40, 400, 60);
  int changes = 0, missing = 0;
  QObject::connect(&follower, &FileFollower::changed, [&] { ++changes; });
  QObject::connect(&follower, &FileFollower::missing, [&] { ++missing; });
  follower.follow(QString::fromStdString(file.string()));
  const auto reported = [&](int n) { return waitUntil([&] { return changes >= n; }, 3000) && (idle(150), changes == n); };

  test::writeFile(dir.path() / "other.dat", "x");
  idle(200);
  EXPECT_EQ(changes, 0) << "another file of the folder";
  renameSave(file, "two");
  EXPECT_TRUE(reported(1)) << "rename-save";
  renameSave(file, "three");
  EXPECT_TRUE(reported(2)) << "a second rename-save: the file is watched again";
  truncateWrite(file, "four, a little longer");
  EXPECT_TRUE(reported(3)) << "truncate and write";
  fs::remove(file);
  idle(200);
  EXPECT_EQ(changes, 3) << "a missing file is waited for";
  EXPECT_EQ(missing, 1);
  test::writeFile(file, "five");
  EXPECT_TRUE(reported(4)) << "re-created";
  EXPECT_EQ(missing, 1);
  {
    const FileFollower::Hold hold(follower);
    renameSave(file, "six");
    idle(200);
    EXPECT_EQ(changes, 4) << "held";
  }
  EXPECT_TRUE(reported(5)) << "released";
  follower.setEnabled(false);
  renameSave(file, "seven");
  idle(200);
  EXPECT_EQ(changes, 5) << "off";
  follower.setEnabled(true);
  EXPECT_TRUE(reported(6)) << "on again, the change made meanwhile";
}

TEST(Following, ARewrittenFileRedrawsKeepingTheZoomAndAFailedReloadKeepsThePicture) {
  test::TempDir dir;
  const fs::path file = dir.path() / "run.dat";
  test::writeFile(file, data("one"));
  Win w;
  ASSERT_TRUE(w->mnFollowFile->isChecked());
  w.open(file);
  wheel(w, {300, 200}, 120);
  const ViewRect zoomed = w.shown();

  renameSave(file, data("title 3"));
  ASSERT_TRUE(waitUntil([&] { return w.xTitle() == "title 3"; }));
  expectNear(w.shown(), zoomed);
  EXPECT_TRUE(w->isZoom && w->mnReset->isEnabled());
  EXPECT_EQ(w->windowTitle(), "run.dat - Vesk");

  const QImage before = w->view().picture();
  renameSave(file, "broken\r\ny\r\n0 10 0 oops\r\n");
  ASSERT_TRUE(waitUntil([&] { return w.status().find("Reloading failed") != std::string::npos; }));
  EXPECT_EQ(w.status().substr(0, 67), "run.dat: 1 data set, 2 points, 0 labels. Reloading failed: line 3: ")
      << w.status();
  EXPECT_NE(w.status().find("oops"), std::string::npos) << w.status();
  EXPECT_TRUE(w.dialogs.messages.empty()) << "no message box for an automatic reload";
  EXPECT_EQ(w->view().picture(), before);
  EXPECT_EQ(w.xTitle(), "title 3");
  EXPECT_TRUE(w->isZoom);

  // Mended with other limits: the full view of the new ones.
  renameSave(file, data("wider", "0 20 0 10"));
  ASSERT_TRUE(waitUntil([&] { return w.xTitle() == "wider"; }));
  EXPECT_FALSE(w->isZoom);
  EXPECT_FALSE(w->mnReset->isEnabled());
  EXPECT_DOUBLE_EQ(w.shown().right, 20);
  EXPECT_EQ(w.status(), "run.dat: 1 data set, 2 points, 0 labels");
  w->backAction->trigger();
  EXPECT_FALSE(w->isZoom) << "the history went with the old limits";
}

TEST(Following, F5ReloadsKeepingTheZoomAndFollowFileOffIsRemembered) {
  test::TempDir dir;
  const fs::path file = dir.path() / "run.dat";
  test::writeFile(file, data("one"));
  Win w;
  w->mnFollowFile->trigger();
  EXPECT_FALSE(w->mnFollowFile->isChecked());
  EXPECT_EQ(SettingsFile(w.config.path(), "/opt/vesk").getString("View", "Follow File"), "0");
  EXPECT_FALSE(Main(w.dialogs, SettingsFile(w.config.path(), "/opt/vesk")).mnFollowFile->isChecked());

  w.open(file);
  w->zoomInAction->trigger();
  const ViewRect zoomed = w.shown();
  renameSave(file, data("two"));
  idle(500);
  EXPECT_EQ(w.xTitle(), "one") << "not followed";
  w->reloadAction->trigger();
  EXPECT_EQ(w.xTitle(), "two");
  expectNear(w.shown(), zoomed);

  const QImage before = w->view().picture();
  renameSave(file, "bad");
  w->reloadAction->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find("run.dat"), std::string::npos);
  EXPECT_EQ(w.xTitle(), "two");
  EXPECT_EQ(w->view().picture(), before);
  EXPECT_TRUE(w->isZoom);
}

}  // namespace follow_test
}  // namespace vesk
