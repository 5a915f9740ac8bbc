// What the user was looking at survives every action that does not succeed.
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/ui/TestWindow.h"
#include "ui/Main.h"
#include "ui/PictureBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>

#include <array>
#include <functional>

namespace vesk::keepview {
namespace {

struct Window : test::TestWindow {
  void mouse(QEvent::Type type, QPoint at) {
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), main->Picture1->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(main->Picture1, &event);
  }
  void drag(QPoint from, QPoint to) {
    mouse(QEvent::MouseButtonPress, from);
    mouse(QEvent::MouseMove, to);
    mouse(QEvent::MouseButtonRelease, to);
  }
};

const std::string goodData = test::crlf({"Time", "Volts", "0 10 0 10", "0 2 0 0", "1 1 0", "9 9 0"});
const std::string badData = test::crlf({"x", "y", "0 10 0 abc"});

// Everything a failed action must leave as it was.
struct State {
  QImage picture;
  std::array<double, 4> coordinates;
  std::string xTitle;
  bool zoom, reset, print, isZoom;
};

State stateOf(Window &w) {
  const QtSurface &s = w->Picture1->surface();
  return {w->Picture1->surface().image().copy(),
          {s.ScaleLeft(), s.ScaleTop(), s.ScaleWidth(), s.ScaleHeight()},
          w->currentVesk ? w->currentVesk->model().xTitle : std::string(),
          w->mnZoom->isEnabled(),
          w->mnReset->isEnabled(),
          w->mnPrint->isEnabled(),
          w->isZoom};
}

void expectSame(const State &before, const State &after, const std::string &what) {
  EXPECT_TRUE(before.picture == after.picture) << what;
  EXPECT_EQ(before.coordinates, after.coordinates) << what;
  EXPECT_EQ(before.xTitle, after.xTitle) << what;
  EXPECT_EQ(before.zoom, after.zoom) << what;
  EXPECT_EQ(before.reset, after.reset) << what;
  EXPECT_EQ(before.print, after.print) << what;
  EXPECT_EQ(before.isZoom, after.isZoom) << what;
}

struct Case {
  const char *before;
  std::function<void(Window &)> setUp;
};

struct Action {
  const char *name;
  std::function<void(Window &, const std::filesystem::path &file)> run;
};

TEST(KeepView, CancelledOrFailedOpensAndReloadsLeaveGraphZoomAndMenusAsTheyWere) {
  const Case cases[] = {
      {"nothing loaded", [](Window &) {}},
      {"the full view", [](Window &) {}},
      {"a selection",
       [](Window &w) {
         w.drag({100, 60}, {500, 300});
       }},
      {"the zoomed view",
       [](Window &w) {
         w.drag({100, 60}, {500, 300});
         w->mnZoom->trigger();
       }},
  };
  const Action actions[] = {
      {"a cancelled Open", [](Window &w, const std::filesystem::path &) { w.open(""); }},
      {"an Open of a bad file",
       [](Window &w, const std::filesystem::path &file) {
         test::writeFile(file.parent_path() / "bad.dat", badData);
         w.open((file.parent_path() / "bad.dat").string());
       }},
      {"an Open of a file that is gone",
       [](Window &w, const std::filesystem::path &file) { w.open((file.parent_path() / "gone.dat").string()); }},
      {"F5 of a file that went bad",
       [](Window &w, const std::filesystem::path &file) {
         test::writeFile(file, badData);
         w->reloadAction->trigger();
       }},
  };
  for (const Case &c : cases) {
    for (const Action &a : actions) {
      Window w;
      const auto file = w.data.path() / "graph.dat";
      test::writeFile(file, goodData);
      if (std::string(c.before) != "nothing loaded") w.open(file.string());
      c.setUp(w);
      const State before = stateOf(w);
      a.run(w, file);
      const std::string what = std::string(a.name) + " after " + c.before;
      expectSame(before, stateOf(w), what);

      // The next drag starts in the coordinates of the graph that is shown.
      if (std::string(c.before) == "nothing loaded") continue;
      w.mouse(QEvent::MouseButtonPress, {200, 100});
      EXPECT_EQ(float(w->startX), float(w->Picture1->toUser(QPointF(200, 100)).x())) << what;
      EXPECT_GT(w->startX, 0) << what;
    }
  }
}

TEST(KeepView, ZoomIsEnabledExactlyWhileASelectionIsShown) {
  Window w;
  const auto file = w.data.path() / "graph.dat";
  test::writeFile(file, goodData);
  w.open(file.string());
  const QImage plain = w->Picture1->surface().image().copy();

  w.drag({100, 60}, {500, 300});
  ASSERT_TRUE(w->mnZoom->isEnabled());
  ASSERT_FALSE(w->Picture1->surface().image() == plain);
  // A plain click takes the rectangle away, and Zoom with it.
  w.mouse(QEvent::MouseButtonPress, {300, 200});
  w.mouse(QEvent::MouseButtonRelease, {300, 200});
  EXPECT_FALSE(w->mnZoom->isEnabled());
  EXPECT_TRUE(w->Picture1->surface().image() == plain);

  // So does No Labels, which redraws.
  w.drag({100, 60}, {500, 300});
  ASSERT_TRUE(w->mnZoom->isEnabled());
  w->mnNoLabels->trigger();
  EXPECT_FALSE(w->mnZoom->isEnabled());
}

// The picture the view gives for printing and export leaves the selection rectangle out.
TEST(KeepView, TheViewsPictureLeavesTheSelectionOut) {
  Window w;
  const auto file = w.data.path() / "graph.dat";
  test::writeFile(file, goodData);
  w.open(file.string());
  const QImage before = w->view().picture();
  w.drag({100, 60}, {500, 300});
  EXPECT_TRUE(w->view().picture() == before);
}

}  // namespace
}  // namespace vesk::keepview
