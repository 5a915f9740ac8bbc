#include "ui/Main.h"

#include "tests/support/FakeMainForm.h"
#include "tests/ui/FakeDialogs.h"
#include "ui/PictureBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

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

std::string example() { return test::sourcePath("examples/vesk.dat").string(); }

void sendMouse(QWidget *target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// A left-button drag over the graph area, in its pixels, through the real pointer events.
void drag(Window &w, QPoint from, QPoint to) {
  PictureBox *p = w->Picture1;
  sendMouse(p, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  sendMouse(p, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  sendMouse(p, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  sendMouse(p, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The graph area's limits: what its coordinate system shows.
struct Limits {
  double left, right, top, bottom;
};

Limits shown(Window &w) {
  const QtSurface &s = w->Picture1->surface();
  return {s.ScaleLeft(), s.ScaleLeft() + s.ScaleWidth(), s.ScaleTop(), s.ScaleTop() + s.ScaleHeight()};
}

// The limits a drag between two pixels selects: the pointer's user position as
// the window receives it (single precision), ordered left to right, top to bottom.
Limits selected(Window &w, QPoint a, QPoint b) {
  const QPointF ua = w->Picture1->toUser(a), ub = w->Picture1->toUser(b);
  const double xa = float(ua.x()), xb = float(ub.x()), ya = float(ua.y()), yb = float(ub.y());
  return {std::min(xa, xb), std::max(xa, xb), std::max(ya, yb), std::min(ya, yb)};
}

void expectLimits(Window &w, const Limits &expected) {
  const Limits got = shown(w);
  EXPECT_DOUBLE_EQ(got.left, expected.left);
  EXPECT_DOUBLE_EQ(got.right, expected.right);
  EXPECT_DOUBLE_EQ(got.top, expected.top);
  EXPECT_DOUBLE_EQ(got.bottom, expected.bottom);
}

void expectMenus(Window &w, bool zoom, bool reset) {
  EXPECT_EQ(w->mnZoom->isEnabled(), zoom);
  EXPECT_EQ(w->mnReset->isEnabled(), reset);
  EXPECT_EQ(w->isZoom, reset);
}

TEST(ZoomCommand, DragZoomDeeperZoomAndResetBackToTheFullView) {
  Window w;
  w.open(example());
  const QImage full = w->view().picture();
  const Limits fullLimits{0, 10, 5, -5};
  expectLimits(w, fullLimits);
  expectMenus(w, false, false);

  drag(w, {100, 60}, {500, 300});
  expectMenus(w, true, false);
  const Limits first = selected(w, {100, 60}, {500, 300});
  w->mnZoom->trigger();
  expectLimits(w, first);
  expectMenus(w, false, true);
  EXPECT_NE(w->Picture3->surface().image(), QImage(full.copy(QRect(w->Picture3->pos(), w->Picture3->size()))));

  // The second drag selects in the zoomed view's coordinates.
  drag(w, {400, 350}, {200, 100});
  expectMenus(w, true, true);
  const Limits second = selected(w, {400, 350}, {200, 100});
  EXPECT_GT(second.left, first.left);
  EXPECT_LT(second.right, first.right);
  w->mnZoom->trigger();
  expectLimits(w, second);
  expectMenus(w, false, true);

  w->mnReset->trigger();
  expectLimits(w, fullLimits);
  expectMenus(w, false, false);
  EXPECT_EQ(w->view().picture(), full);
  EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(ZoomCommand, DragInEveryDirectionZoomsTheSameRectangle) {
  const QPoint topLeft(150, 80), bottomRight(450, 320);
  const QPoint topRight(450, 80), bottomLeft(150, 320);
  const std::pair<QPoint, QPoint> drags[] = {
      {topLeft, bottomRight}, {bottomRight, topLeft}, {topRight, bottomLeft}, {bottomLeft, topRight}};
  for (const auto &[from, to] : drags) {
    Window w;
    w.open(example());
    const Limits expected = selected(w, topLeft, bottomRight);
    drag(w, from, to);
    w->mnZoom->trigger();
    expectLimits(w, expected);
    EXPECT_TRUE(w.dialogs.messages.empty());
  }
}

TEST(ZoomCommand, OnlyARectangleOfTwoByTwoPixelsWithFiniteCornersEnablesZoom) {
  struct Case {
    QPoint from, to;
    bool enables;
  };
  for (const Case &c : {Case{{100, 100}, {102, 102}, true}, Case{{100, 100}, {101, 300}, false},
                        Case{{100, 100}, {400, 101}, false}, Case{{300, 200}, {300, 200}, false}}) {
    Window w;
    w.open(example());
    drag(w, c.from, c.to);
    EXPECT_EQ(w->mnZoom->isEnabled(), c.enables) << c.from.x() << "," << c.from.y() << " " << c.to.x();
  }

  // A press and release without a move selects nothing, even after a drag that did.
  Window w;
  w.open(example());
  drag(w, {100, 100}, {300, 300});
  sendMouse(w->Picture1, QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton, Qt::LeftButton);
  sendMouse(w->Picture1, QEvent::MouseButtonRelease, {200, 200}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(w->mnZoom->isEnabled());

  for (float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    w->Picture1MouseDown(Qt::LeftButton, {}, 1, 1);
    w->Picture1MouseMove(Qt::LeftButton, {}, bad, -bad);
    w->Picture1MouseUp(Qt::LeftButton, {}, bad, -bad);
    EXPECT_FALSE(w->mnZoom->isEnabled()) << bad;
  }

  // A Reset during a drag ends it: its start corner was in the zoomed view's coordinates.
  drag(w, {100, 100}, {300, 300});
  w->mnZoom->trigger();
  sendMouse(w->Picture1, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
  sendMouse(w->Picture1, QEvent::MouseMove, {200, 200}, Qt::NoButton, Qt::LeftButton);
  w->mnReset->trigger();
  sendMouse(w->Picture1, QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::LeftButton);
  sendMouse(w->Picture1, QEvent::MouseButtonRelease, {300, 300}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(w->mnZoom->isEnabled());

  // Before any graph a drag only draws.
  Window empty;
  drag(empty, {100, 100}, {300, 300});
  EXPECT_FALSE(empty->mnZoom->isEnabled());
}

TEST(ZoomCommand, DragWhileZoomedRedrawsTheZoomedViewUnderOneRectangle) {
  Window w;
  w.open(example());
  drag(w, {100, 60}, {500, 300});
  w->mnZoom->trigger();
  const Limits zoomed = shown(w);
  const QImage view = w->Picture1->surface().image().copy();

  PictureBox *p = w->Picture1;
  sendMouse(p, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
  sendMouse(p, QEvent::MouseMove, {400, 300}, Qt::NoButton, Qt::LeftButton);
  sendMouse(p, QEvent::MouseMove, {250, 200}, Qt::NoButton, Qt::LeftButton);
  expectLimits(w, zoomed);
  const QImage &now = p->surface().image();
  EXPECT_LT(qGray(now.pixel(100, 150)), 128);
  EXPECT_LT(qGray(now.pixel(175, 100)), 128);
  // The first move's rectangle is gone: its edges show the zoomed view again.
  for (const QRect around : {QRect(396, 240, 8, 8), QRect(300, 296, 8, 8)})
    EXPECT_EQ(now.copy(around), view.copy(around)) << around.x() << "," << around.y();
}

// The "Peak" label of the example sits above data (2, 3), by more as the view zooms in.
int peakInk(Window &w) {
  QtSurface &s = w->Picture1->surface();
  const QImage &img = s.image();
  const QPoint at = s.toPixel(2, 3).toPoint();
  int n = 0;
  for (int y = std::max(at.y() - 70, 0); y < std::min(at.y(), img.height()); ++y)
    for (int x = std::max(at.x(), 0); x < std::min(at.x() + 50, img.width()); ++x) n += qGray(img.pixel(x, y)) < 128;
  return n;
}

TEST(ZoomCommand, NoLabelsAndLabelsRedrawTheZoomedView) {
  Window w;
  w.open(example());
  const QPoint a = w->Picture1->surface().toPixel(1, 4).toPoint(), b = w->Picture1->surface().toPixel(4, 1).toPoint();
  drag(w, a, b);
  w->mnZoom->trigger();
  const Limits zoomed = shown(w);
  const int withLabels = peakInk(w);
  ASSERT_GT(withLabels, 0);

  w->mnNoLabels->trigger();
  expectLimits(w, zoomed);
  EXPECT_LT(peakInk(w), withLabels);
  w->mnNoLabels->trigger();
  expectLimits(w, zoomed);
  EXPECT_EQ(peakInk(w), withLabels);
}

TEST(ZoomCommand, EveryOpenEndsTheZoomedView) {
  TempDir dir;
  const auto bad = dir.path() / "bad.dat";
  std::ofstream(bad, std::ios::binary) << "x\r\ny\r\n0 10 0 abc\r\n";
  for (const std::string &next : {example(), std::string(), bad.string()}) {
    Window w;
    w.open(example());
    drag(w, {100, 60}, {500, 300});
    w->mnZoom->trigger();
    w.open(next);
    expectMenus(w, false, false);
    // A drag now redraws the full view of whatever the engine holds, not the old rectangle.
    sendMouse(w->Picture1, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w->Picture1, QEvent::MouseMove, {20, 20}, Qt::NoButton, Qt::LeftButton);
    if (next == example()) expectLimits(w, {0, 10, 5, -5});
  }
}

std::string firstTitle(Window &w) { return w->currentVesk->model().xTitle; }

void write(const std::filesystem::path &file, const std::string &text) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

const std::string goodData = "Before\r\ny\r\n0 10 0 10\r\n0 2 0 0\r\n1 1 0\r\n9 9 0\r\n";

// What the command line hands the window goes the way of the open dialog's answer.
TEST(OpeningFiles, AGivenPathLoadsLikeTheOpenDialogAndAFailureNamesTheFile) {
  TempDir dir;
  const auto bad = dir.path() / "bad.dat";
  write(bad, "x\r\ny\r\n0 10 0 abc\r\n");
  Window w;
  w->openFile(bad.string());
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find(bad.string()), std::string::npos);
  EXPECT_EQ(w.dialogs.messages[0].title, "vesk");
  EXPECT_FALSE(w->mnPrint->isEnabled());
  EXPECT_FALSE(w->isVesk);

  w->openFile(example());
  EXPECT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_TRUE(w->mnPrint->isEnabled() && w->mnSave->isEnabled() && w->mnNoLabels->isEnabled());
  EXPECT_EQ(firstTitle(w), "Time (s)");
  EXPECT_TRUE(w.dialogs.openCalls.empty());
}

TEST(OpeningFiles, F5ReadsTheLastFileAgainFromDisk) {
  TempDir dir;
  const auto file = dir.path() / "live.dat";
  write(file, goodData);
  Window w;
  // Nothing opened yet: nothing to reload.
  w->reloadAction->trigger();
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_FALSE(w->isVesk);

  w.open(file.string());
  drag(w, {100, 60}, {500, 300});
  w->mnZoom->trigger();
  write(file, "After" + goodData.substr(6));
  w->reloadAction->trigger();
  EXPECT_EQ(firstTitle(w), "After");
  EXPECT_EQ(w.dialogs.openCalls.size(), 1u);
  expectMenus(w, false, false);
  expectLimits(w, {0, 10, 10, 0});

  // A cancelled Open leaves the file to reload as it was.
  w.open("");
  w->reloadAction->trigger();
  EXPECT_EQ(firstTitle(w), "After");

  // A reload that fails is a failed Open: one message, cleared surfaces, menus kept.
  write(file, "x\r\ny\r\n0 10 0 abc\r\n");
  w->reloadAction->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find(file.string()), std::string::npos);
  EXPECT_TRUE(w->currentVesk->model().dataSets.empty());
  EXPECT_TRUE(w->mnPrint->isEnabled());

  // Once the file is mended, F5 shows it again.
  write(file, goodData);
  w->reloadAction->trigger();
  EXPECT_EQ(firstTitle(w), "Before");
  EXPECT_EQ(w.dialogs.messages.size(), 1u);
}

QList<QUrl> urls(std::initializer_list<QString> paths) {
  QList<QUrl> out;
  for (const QString &p : paths) out << (p.contains("://") ? QUrl(p) : QUrl::fromLocalFile(p));
  return out;
}

// Drops the data on the window; true when the window took the drag.
bool dropOn(Window &w, const QMimeData &data) {
  const QPoint at = w->Picture1->geometry().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.main.get(), &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.main.get(), &drop);
  QApplication::processEvents();
  return enter.isAccepted() && drop.isAccepted();
}

TEST(OpeningFiles, ADroppedFileOpensAndAnythingElseIsRefusedSilently) {
  TempDir dir;
  const QString good = QString::fromStdString((dir.path() / "good.dat").string());
  const QString bad = QString::fromStdString((dir.path() / "bad.dat").string());
  write(good.toStdString(), goodData);
  write(bad.toStdString(), "x\r\ny\r\n0 10 0 abc\r\n");
  const QString folder = QString::fromStdString(dir.path().string());

  for (const QList<QUrl> &refused :
       {urls({good, bad}), urls({folder}), urls({"https://example.org/good.dat"}), urls({})}) {
    Window w;
    QMimeData data;
    data.setUrls(refused);
    if (refused.isEmpty()) data.setText(good);
    EXPECT_FALSE(dropOn(w, data)) << refused.size();
    EXPECT_FALSE(w->isVesk);
    EXPECT_TRUE(w.dialogs.messages.empty());
  }

  Window w;
  QMimeData data;
  data.setUrls(urls({bad}));
  EXPECT_TRUE(dropOn(w, data));
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find(bad.toStdString()), std::string::npos);
  EXPECT_FALSE(w->isVesk);

  data.setUrls(urls({good}));
  EXPECT_TRUE(dropOn(w, data));
  EXPECT_TRUE(w->isVesk);
  EXPECT_EQ(firstTitle(w), "Before");
  // F5 then reloads the dropped file.
  write(good.toStdString(), "After" + goodData.substr(6));
  w->reloadAction->trigger();
  EXPECT_EQ(firstTitle(w), "After");
}

}  // namespace
}  // namespace vesk
