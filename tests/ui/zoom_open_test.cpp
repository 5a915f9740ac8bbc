#include "export/mCapture.h"
#include "tests/support/FakeMainForm.h"
#include "tests/ui/TestWindow.h"
#include "ui/Main.h"
#include "ui/PictureBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>

#include <array>
#include <fstream>
#include <limits>

namespace vesk {
namespace {

struct Window : test::TestWindow {
  Window() : TestWindow("/opt/vesk") {}
};

const std::string example = test::sourcePath("examples/vesk.dat").string();
const std::string goodData = "Before\r\ny\r\n0 10 0 10\r\n0 2 0 0\r\n1 1 0\r\n9 9 0\r\n";
const std::string badData = "x\r\ny\r\n0 10 0 abc\r\n";

void write(const std::filesystem::path &file, const std::string &text) {
  std::ofstream(file, std::ios::binary) << text;
}

void mouse(Window &w, QEvent::Type type, QPoint at) {
  const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), w->Picture1->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w->Picture1, &event);
}

// A drag over the graph area between two of its pixels, through the real pointer events.
void drag(Window &w, QPoint from, QPoint to) {
  mouse(w, QEvent::MouseButtonPress, from);
  mouse(w, QEvent::MouseMove, (from + to) / 2);
  mouse(w, QEvent::MouseMove, to);
  mouse(w, QEvent::MouseButtonRelease, to);
}

// The graph area's coordinate system: left, top, width, height.
using Limits = std::array<double, 4>;
Limits shown(Window &w) {
  const QtSurface &s = w->Picture1->surface();
  return {s.ScaleLeft(), s.ScaleTop(), s.ScaleWidth(), s.ScaleHeight()};
}

// What a drag between two pixels selects: the positions as the window receives
// them (single precision), from the left and upper edges to the right and lower ones.
Limits selected(Window &w, QPoint a, QPoint b) {
  const QPointF ua = w->Picture1->toUser(a), ub = w->Picture1->toUser(b);
  const double l = std::min(float(ua.x()), float(ub.x())), r = std::max(float(ua.x()), float(ub.x()));
  const double t = std::max(float(ua.y()), float(ub.y())), btm = std::min(float(ua.y()), float(ub.y()));
  return {l, t, r - l, btm - t};
}

void expectMenus(Window &w, bool zoom, bool reset) {
  EXPECT_EQ(w->mnZoom->isEnabled(), zoom);
  EXPECT_EQ(w->mnReset->isEnabled(), reset);
  EXPECT_EQ(w->isZoom, reset);
}

TEST(ZoomCommand, ZoomsTheRectangleDraggedInAnyDirectionThenDeeperAndResetRestoresTheFullView) {
  Window w;
  w.open(example);
  const QImage full = w->view().picture();
  const QPoint a(150, 80), b(450, 320), c(450, 80), d(150, 320);
  for (const auto &[from, to] : {std::pair{a, b}, {b, a}, {c, d}, {d, c}}) {
    const Limits expected = selected(w, a, b);
    drag(w, from, to);
    expectMenus(w, true, false);
    w->mnZoom->trigger();
    EXPECT_EQ(shown(w), expected);
    expectMenus(w, false, true);
    // A drag now selects in the zoomed view's coordinates.
    const Limits deeper = selected(w, {200, 100}, {300, 200});
    drag(w, {300, 200}, {200, 100});
    expectMenus(w, true, true);
    w->mnZoom->trigger();
    EXPECT_EQ(shown(w), deeper);
    w->mnReset->trigger();
    expectMenus(w, false, false);
    EXPECT_EQ(w->view().picture(), full);
  }
  EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(ZoomCommand, OnlyADragOfTwoByTwoPixelsWithFiniteCornersEnablesZoom) {
  for (const auto &[to, enables] : {std::pair{QPoint(102, 102), true},
                                    {QPoint(101, 300), false},
                                    {QPoint(400, 101), false},
                                    {QPoint(100, 100), false}}) {
    Window w;
    w.open(example);
    drag(w, {100, 100}, to);
    EXPECT_EQ(w->mnZoom->isEnabled(), enables) << to.x() << "," << to.y();
  }
  Window w;
  w.open(example);
  for (float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    w->Picture1MouseDown(Qt::LeftButton, {}, 1, 1);
    w->Picture1MouseMove(Qt::LeftButton, {}, bad, -bad);
    w->Picture1MouseUp(Qt::LeftButton, {}, bad, -bad);
    EXPECT_FALSE(w->mnZoom->isEnabled()) << bad;
  }
  // A press and release without a move selects nothing, even after a drag that did.
  drag(w, {100, 100}, {300, 300});
  mouse(w, QEvent::MouseButtonPress, {200, 200});
  mouse(w, QEvent::MouseButtonRelease, {200, 200});
  EXPECT_FALSE(w->mnZoom->isEnabled());
  // A Reset during a drag ends it: its start corner is in the zoomed view's coordinates.
  drag(w, {100, 100}, {300, 300});
  w->mnZoom->trigger();
  mouse(w, QEvent::MouseButtonPress, {100, 100});
  mouse(w, QEvent::MouseMove, {200, 200});
  w->mnReset->trigger();
  mouse(w, QEvent::MouseMove, {300, 300});
  mouse(w, QEvent::MouseButtonRelease, {300, 300});
  EXPECT_FALSE(w->mnZoom->isEnabled());
  // Before any graph a drag only draws.
  Window empty;
  drag(empty, {100, 100}, {300, 300});
  EXPECT_FALSE(empty->mnZoom->isEnabled());
}

// Dark pixels above data (2, 3), where the example's "Peak" label is drawn.
int peakInk(Window &w) {
  QtSurface &s = w->Picture1->surface();
  const QPoint at = s.toPixel(2, 3).toPoint();
  const QImage box = s.image().copy(at.x(), at.y() - 70, 50, 70);
  int n = 0;
  for (int y = 0; y < box.height(); ++y)
    for (int x = 0; x < box.width(); ++x) n += qGray(box.pixel(x, y)) < 128;
  return n;
}

TEST(ZoomCommand, DragsAndNoLabelsWhileZoomedRedrawTheZoomedView) {
  Window w;
  w.open(example);
  QtSurface &area = w->Picture1->surface();
  drag(w, area.toPixel(1, 4).toPoint(), area.toPixel(4, 1).toPoint());
  w->mnZoom->trigger();
  const Limits zoomed = shown(w);
  const QImage view = area.image().copy();
  const int labelInk = peakInk(w);
  ASSERT_GT(labelInk, 0);

  mouse(w, QEvent::MouseButtonPress, {100, 100});
  mouse(w, QEvent::MouseMove, {400, 300});
  mouse(w, QEvent::MouseMove, {250, 200});
  EXPECT_EQ(shown(w), zoomed);
  EXPECT_LT(qGray(area.image().pixel(100, 150)), 128);
  // The first move's rectangle is gone: its right and lower edges show the zoomed view.
  for (const QRect around : {QRect(396, 240, 8, 8), QRect(300, 296, 8, 8)})
    EXPECT_EQ(area.image().copy(around), view.copy(around)) << around.x();
  mouse(w, QEvent::MouseButtonRelease, {250, 200});

  w->mnNoLabels->trigger();
  EXPECT_EQ(shown(w), zoomed);
  EXPECT_LT(peakInk(w), labelInk);
  w->mnNoLabels->trigger();
  EXPECT_EQ(area.image(), view);
}

TEST(ZoomCommand, EverySuccessfulOpenEndsTheZoomedViewAndOneThatFailsKeepsIt) {
  test::TempDir dir;
  write(dir.path() / "bad.dat", badData);
  for (const std::string &next : {example, std::string(), (dir.path() / "bad.dat").string()}) {
    Window w;
    w.open(example);
    drag(w, {100, 60}, {500, 300});
    w->mnZoom->trigger();
    const Limits zoomed = shown(w);
    w.open(next);
    const bool opened = next == example;
    expectMenus(w, false, !opened);
    // A drag redraws the view now shown: the new graph whole, or the zoomed view kept.
    mouse(w, QEvent::MouseButtonPress, {10, 10});
    mouse(w, QEvent::MouseMove, {20, 20});
    EXPECT_EQ(shown(w), opened ? (Limits{0, 5, 10, -10}) : zoomed) << next;
  }
}

std::string xTitle(Window &w) { return w->currentVesk->model().xTitle; }

TEST(OpeningFiles, F5ReadsTheLastFileAgainFromDiskAndAFailureKeepsTheGraph) {
  test::TempDir dir;
  const auto file = dir.path() / "live.dat";
  write(file, goodData);
  Window w;
  w->reloadAction->trigger();  // nothing opened yet: nothing happens
  EXPECT_FALSE(w->isVesk);

  w.open(file.string());
  drag(w, {100, 60}, {500, 300});
  w->mnZoom->trigger();
  const Limits zoomed = shown(w);
  write(file, "After" + goodData.substr(6));
  w.open("");  // a cancelled Open keeps the file to reload, and the zoom
  w->reloadAction->trigger();
  EXPECT_EQ(xTitle(w), "After");
  EXPECT_EQ(shown(w), zoomed) << "the axis limits are the same: the zoom stays";
  expectMenus(w, false, true);

  write(file, badData);
  w->reloadAction->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find(file.string()), std::string::npos);
  EXPECT_EQ(xTitle(w), "After") << "the graph shown stays";
  EXPECT_TRUE(w->mnPrint->isEnabled());
  // Mended, the file shows again.
  write(file, goodData);
  w->reloadAction->trigger();
  EXPECT_EQ(xTitle(w), "Before");
}

// Drops urls (or, when empty, a text) on the window; true when it took them.
bool dropOn(Window &w, const QStringList &urls) {
  QMimeData data;
  QList<QUrl> list;
  for (const QString &u : urls) list << (u.contains("://") ? QUrl(u) : QUrl::fromLocalFile(u));
  data.setUrls(list);
  if (urls.isEmpty()) data.setText("/tmp/vesk.dat");
  QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.main.get(), &enter);
  QDropEvent drop({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.main.get(), &drop);
  QApplication::processEvents();
  return enter.isAccepted() && drop.isAccepted();
}

TEST(OpeningFiles, ADroppedFileOpensAsFromTheOpenDialogAndAnythingElseIsRefusedSilently) {
  test::TempDir dir;
  const QString good = QString::fromStdString((dir.path() / "good.dat").string());
  const QString bad = QString::fromStdString((dir.path() / "bad.dat").string());
  write(good.toStdString(), goodData);
  write(bad.toStdString(), badData);
  for (const QStringList &refused :
       {QStringList{good, bad}, {QString::fromStdString(dir.path().string())}, {"https://example.org/good.dat"}, {}}) {
    Window w;
    EXPECT_FALSE(dropOn(w, refused)) << refused.size();
    EXPECT_FALSE(w->isVesk);
    EXPECT_TRUE(w.dialogs.messages.empty());
  }
  Window w;
  EXPECT_TRUE(dropOn(w, {bad}));
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_NE(w.dialogs.messages[0].text.find(bad.toStdString()), std::string::npos);
  EXPECT_EQ(w.dialogs.messages[0].title, "vesk");
  EXPECT_FALSE(w->mnPrint->isEnabled());

  EXPECT_TRUE(dropOn(w, {good}));
  EXPECT_TRUE(w->mnPrint->isEnabled() && w->mnSave->isEnabled() && w->mnNoLabels->isEnabled());
  EXPECT_EQ(xTitle(w), "Before");
  EXPECT_TRUE(w.dialogs.openCalls.empty());
}

// An IR spectrum's x axis from 4000 down to 400 and a depth from 0 down to
// 100: a drag in any direction zooms with both axes still reversed, and a
// marker stays on its side of the view.
TEST(ZoomCommand, ReversedAxesStayReversedAndAMarkerOnItsSide) {
  Window w;
  const std::filesystem::path file = w.config.path() / "reversed.dat";
  write(file, "Wavenumber\r\nDepth\r\n4000 400 100 0\r\n0 1 0 5\r\n3000 30 0\r\n");
  w.open(file.string());
  const QtSurface &area = w->Picture1->surface();
  const QPointF upperLeft = area.toPixel(3500, 10), lowerRight = area.toPixel(1500, 60);
  const QPoint a = upperLeft.toPoint(), b = lowerRight.toPoint();
  for (const auto &[from, to] : {std::pair{a, b}, {b, a}, {QPoint(a.x(), b.y()), QPoint(b.x(), a.y())}}) {
    drag(w, from, to);
    w->mnZoom->trigger();
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_LT(area.ScaleWidth(), 0);   // x still falls to the right
    EXPECT_GT(area.ScaleHeight(), 0);  // depth still grows downward
    // The marker at a quarter of the way from the left and two fifths from the top.
    const QPointF marker = area.toPixel(3000, 30);
    EXPECT_NEAR(marker.x() / area.size().width(), 0.25, 0.02);
    EXPECT_NEAR(marker.y() / area.size().height(), 0.4, 0.02);
    QImage image = w->Picture1->surface().image().copy();
    image.setDevicePixelRatio(1);
    EXPECT_LT(qGray(image.pixel(qRound(marker.x()) - 5, qRound(marker.y()))), 128);
    w->mnReset->trigger();
  }
}

// A dark desktop palette (as Qt takes it from a dark GTK theme): the graph,
// the strips and the client area between the surfaces are drawn as with the
// standard one, only the menus follow the desktop.
TEST(Colours, DarkPaletteChangesNothingInTheGraph) {
  const auto captured = [] {
    Window w;
    w.open(example);
    return CaptureFormClient(*w.main).convertToFormat(QImage::Format_RGB32);
  };
  const QImage standard = captured();
  const QPalette saved = QApplication::palette();
  QPalette dark(QColor(40, 40, 40), QColor(30, 30, 30));
  dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
  dark.setColor(QPalette::HighlightedText, QColor(200, 200, 200));
  QApplication::setPalette(dark);
  const QImage darkened = captured();
  QApplication::setPalette(saved);
  EXPECT_EQ(darkened, standard);
  EXPECT_EQ(standard.pixelColor(2, standard.height() - 2), QColor(Qt::white));
}

}  // namespace
}  // namespace vesk
