#include "tests/support/FakeMainForm.h"
#include "tests/ui/FakeDialogs.h"
#include "ui/Main.h"
#include "ui/PictureBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace vesk {
namespace {

// Dialogs whose load progress records what it is told and cancels at the given update.
class ProgressDialogs : public test::FakeDialogs {
public:
  int cancelAt = 0;  // 0: never
  std::vector<std::string> paths;
  std::vector<double> shares;

  std::unique_ptr<LoadProgress> loadProgress(QWidget *, const std::string &path) override {
    paths.push_back(path);
    struct Recorder : LoadProgress {
      ProgressDialogs &d;
      explicit Recorder(ProgressDialogs &d) : d(d) {}
      bool update(double share) override {
        d.shares.push_back(share);
        return d.cancelAt == 0 || int(d.shares.size()) < d.cancelAt;
      }
    };
    return std::make_unique<Recorder>(*this);
  }
};

struct ProgressWindow {
  test::TempDir config;
  ProgressDialogs dialogs;
  std::unique_ptr<Main> main = std::make_unique<Main>(dialogs, SettingsFile(config.path(), "/opt/vesk"));
  Main *operator->() { return main.get(); }
};

// Some 3 MB, read through several buffers.
std::string bigFile(const std::filesystem::path &folder) {
  std::string text = "x\ny\n0 100000 0 10\n0 200000 0 0\n";
  for (int i = 0; i < 200000; ++i) text += std::to_string(i) + ".5 " + std::to_string(i % 10) + " 0\n";
  const std::string path = (folder / "big.dat").string();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(LoadProgress, ACancelledLoadLeavesTheWindowAsItWasAndACompletedOneShowsTheFile) {
  ProgressWindow w;
  const std::string example = test::sourcePath("examples/vesk.dat").string();
  w->openFile(example);
  for (const auto &[type, at] : {std::pair{QEvent::MouseButtonPress, QPoint(150, 80)},
                                 {QEvent::MouseMove, QPoint(300, 200)}, {QEvent::MouseMove, QPoint(450, 320)},
                                 {QEvent::MouseButtonRelease, QPoint(450, 320)}}) {
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const auto held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), w->Picture1->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w->Picture1, &event);
  }
  w->mnZoom->trigger();
  ASSERT_TRUE(w->isZoom);
  const QImage before = w->view().picture();
  const std::string big = bigFile(w.config.path());

  for (const int cancelAt : {1, 2}) {
    w.dialogs.shares.clear();
    w.dialogs.cancelAt = cancelAt;
    w->openFile(big);
    EXPECT_EQ(int(w.dialogs.shares.size()), cancelAt);
    EXPECT_EQ(w->view().picture(), before);
    EXPECT_TRUE(w->isZoom);
    EXPECT_TRUE(w->mnReset->isEnabled());
    EXPECT_TRUE(w.dialogs.messages.empty());
  }
  // F5 still reads the file shown, not the cancelled one.
  w.dialogs.cancelAt = 0;
  w->reload();
  EXPECT_TRUE(w->isZoom) << "the same axis limits keep the zoom";
  EXPECT_EQ(w->currentVesk->model().xTitle, "Time (s)");

  w.dialogs.shares.clear();
  w->openFile(big);
  EXPECT_EQ(w.dialogs.paths.back(), big);
  EXPECT_EQ(w->currentVesk->model().dataSets[0].points.size(), 200000u);
  ASSERT_GE(w.dialogs.shares.size(), 2u);
  EXPECT_TRUE(std::is_sorted(w.dialogs.shares.begin(), w.dialogs.shares.end()));
  EXPECT_EQ(w.dialogs.shares.back(), 1);
}

TEST(LoadProgress, FileOpenNamesTheChosenFileAndACancelShowsNoMessage) {
  ProgressWindow w;
  const std::string big = bigFile(w.config.path());
  w.dialogs.cancelAt = 1;
  w.dialogs.openAnswer = big;
  w->mnOpen->trigger();
  EXPECT_EQ(w.dialogs.paths, std::vector<std::string>{big});
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_FALSE(w->mnPrint->isEnabled());
  w.dialogs.cancelAt = 0;
  w->mnOpen->trigger();
  EXPECT_TRUE(w->mnPrint->isEnabled());
  EXPECT_EQ(w->currentVesk->model().dataSets[0].points.size(), 200000u);
}

}  // namespace
}  // namespace vesk
