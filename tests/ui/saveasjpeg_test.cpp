#include "ui/SaveAsJpeg.h"
#include "export/mCapture.h"
#include "tests/support/ExportTestHelpers.h"
#include "tests/support/FakeMainForm.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::colourNear;
using test::decodeJpeg;
using test::folderEntries;
using test::TempDir;

// A client area that paints a known picture: white, a red block at the
// top-left, a blue block at the bottom-right and a green line at y = 100.
class KnownPicture : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(QRect(0, 0, 30, 20), QColor(255, 0, 0));
    painter.fillRect(QRect(width() - 30, height() - 20, 30, 20), QColor(0, 0, 255));
    painter.fillRect(QRect(0, 100, width(), 1), QColor(0, 255, 0));
  }
};

// A main window with a menu bar and a 720 x 478 client area.
struct Window {
  QMainWindow form;
  KnownPicture *client = new KnownPicture;

  explicit Window(QSize clientSize = QSize(720, 478)) {
    form.menuBar()->addMenu(QStringLiteral("File"));
    client->setFixedSize(clientSize);
    form.setCentralWidget(client);
    form.show();
  }
};

class FakeSaveDialogs : public SaveDialogs {
public:
  std::optional<SaveFileAnswer> answer;
  std::vector<SaveFileRequest> requests;
  struct Warning {
    std::string text, caption, detail;
  };
  std::vector<Warning> warnings;

  std::optional<SaveFileAnswer> getSaveFileName(const SaveFileRequest &request) override {
    requests.push_back(request);
    return answer;
  }
  void warningBox(const std::string &text, const std::string &caption, const std::string &detail) override {
    warnings.push_back({text, caption, detail});
  }
};

TEST(Capture, FormClientIsTheClientAreaTopRowFirst) {
  Window window;
  const QImage picture = CaptureFormClient(window.form);
  ASSERT_EQ(picture.size(), QSize(720, 478));
  EXPECT_EQ(picture.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(picture.pixelColor(29, 19), QColor(255, 0, 0));
  EXPECT_EQ(picture.pixelColor(30, 0), QColor(Qt::white));
  EXPECT_EQ(picture.pixelColor(719, 477), QColor(0, 0, 255));
  EXPECT_EQ(picture.pixelColor(690, 458), QColor(0, 0, 255));
  EXPECT_EQ(picture.pixelColor(360, 100), QColor(0, 255, 0));
  EXPECT_EQ(picture.pixelColor(360, 99), QColor(Qt::white));
  EXPECT_EQ(picture.devicePixelRatio(), 1.0);
}

TEST(Capture, WindowAreaStartsAtItsOffset) {
  Window window;
  const QImage picture = CaptureWindowArea(*window.client, 20, 90, 100, 50);
  ASSERT_EQ(picture.size(), QSize(100, 50));
  EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(picture.pixelColor(5, 10), QColor(0, 255, 0));
  EXPECT_EQ(picture.pixelColor(5, 11), QColor(Qt::white));
}

TEST(Capture, EmptyAreaGivesNoPicture) {
  Window window;
  EXPECT_TRUE(CaptureWindowArea(*window.client, 0, 0, 0, 10).isNull());
  EXPECT_TRUE(CaptureWindowArea(*window.client, 0, 0, 10, -1).isNull());
}

TEST(Capture, HighDensityBitmapComesOutAtItsLogicalSize) {
  QPixmap bitmap(900, 598);
  bitmap.fill(QColor(10, 200, 30));
  bitmap.setDevicePixelRatio(1.25);
  const QImage picture = PictureFromBitmap(bitmap);
  EXPECT_EQ(picture.size(), QSize(720, 478));
  EXPECT_EQ(picture.devicePixelRatio(), 1.0);
  EXPECT_EQ(picture.pixelColor(360, 239), QColor(10, 200, 30));
}

struct DefaultNameCase {
  std::string folder;
  std::string proposed;
};

class SaveDefaultName : public ::testing::TestWithParam<DefaultNameCase> {};

TEST_P(SaveDefaultName, IsTheFolderFollowedBySlashVeskJpg) {
  Window window;
  FakeSaveDialogs dialogs;
  saveAsJpeg(window.form, GetParam().folder, dialogs);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].fileName, GetParam().proposed);
}

INSTANTIATE_TEST_SUITE_P(SaveAsJpeg, SaveDefaultName,
                         ::testing::Values(DefaultNameCase{"/home/u/graphs", "/home/u/graphs/vesk.jpg"},
                                           DefaultNameCase{"", "/vesk.jpg"},
                                           DefaultNameCase{"/tmp/", "/tmp//vesk.jpg"}));

TEST(SaveAsJpeg, AsksWithTheJpegChoices) {
  Window window;
  FakeSaveDialogs dialogs;
  saveAsJpeg(window.form, "/data", dialogs);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  const SaveFileRequest &request = dialogs.requests[0];
  EXPECT_TRUE(request.overwritePrompt);
  const std::vector<std::pair<std::string, std::string>> filters = {{"JPEG Files (*.JPG)", "*.JPG"},
                                                                    {"All Files (*.*)", "*.*"}};
  EXPECT_EQ(request.filters, filters);
  EXPECT_EQ(request.filterIndex, 1);
  EXPECT_EQ(request.defaultExtension, "JPG");
  EXPECT_EQ(request.initialFolder, "");
  EXPECT_EQ(request.dialogTitle, "");
  EXPECT_EQ(request.fileTitle, "");
}

TEST(SaveAsJpeg, CancelWritesNothingAndShowsNothing) {
  TempDir dir;
  Window window;
  FakeSaveDialogs dialogs;
  saveAsJpeg(window.form, dir.path().string(), dialogs);
  EXPECT_EQ(dialogs.requests.size(), 1u);
  EXPECT_TRUE(dialogs.warnings.empty());
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(SaveAsJpeg, WritesTheClientAreaAsSeen) {
  TempDir dir;
  Window window;
  FakeSaveDialogs dialogs;
  const fs::path file = dir.path() / "graph.JPG";
  dialogs.answer = SaveFileAnswer{file.string(), 1};
  saveAsJpeg(window.form, dir.path().string(), dialogs);
  EXPECT_TRUE(dialogs.warnings.empty());
  const QImage decoded = decodeJpeg(file);
  ASSERT_EQ(decoded.size(), QSize(720, 478));
  EXPECT_TRUE(colourNear(decoded.pixelColor(5, 5), QColor(255, 0, 0)));
  EXPECT_TRUE(colourNear(decoded.pixelColor(714, 472), QColor(0, 0, 255)));
  EXPECT_TRUE(colourNear(decoded.pixelColor(360, 50), Qt::white));
  EXPECT_EQ(window.client->size(), QSize(720, 478));
}

TEST(SaveAsJpeg, FailedWriteShowsTheWarningWithThePath) {
  TempDir dir;
  Window window;
  FakeSaveDialogs dialogs;
  const std::string name = (dir.path() / "missing" / "graph.jpg").string();
  dialogs.answer = SaveFileAnswer{name, 1};
  saveAsJpeg(window.form, dir.path().string(), dialogs);
  ASSERT_EQ(dialogs.warnings.size(), 1u);
  EXPECT_EQ(dialogs.warnings[0].text, "Failed to save the picture to the file: '" + name + "'");
  EXPECT_EQ(dialogs.warnings[0].caption, "vesk");
  // The reason is the box's detailed text, so a user can see why.
  EXPECT_EQ(dialogs.warnings[0].detail, "No such file or directory");
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(SaveAsJpeg, ClientAreaWithoutPixelsStillAsksAndThenWarns) {
  TempDir dir;
  Window window(QSize(0, 0));
  FakeSaveDialogs dialogs;
  const std::string name = (dir.path() / "graph.jpg").string();
  dialogs.answer = SaveFileAnswer{name, 1};
  saveAsJpeg(window.form, dir.path().string(), dialogs);
  EXPECT_EQ(dialogs.requests.size(), 1u);
  ASSERT_EQ(dialogs.warnings.size(), 1u);
  EXPECT_EQ(dialogs.warnings[0].text, "Failed to save the picture to the file: '" + name + "'");
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

}  // namespace
}  // namespace vesk
