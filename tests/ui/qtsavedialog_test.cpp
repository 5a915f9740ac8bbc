#include "tests/support/FakeMainForm.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace vesk {
namespace {

SaveFileRequest jpegRequest(const std::string &fileName) {
  SaveFileRequest request;
  request.fileName = fileName;
  request.filters = {{"JPEG Files (*.JPG)", "*.JPG"}, {"All Files (*.*)", "*.*"}};
  request.filterIndex = 1;
  request.defaultExtension = "JPG";
  return request;
}

// Runs the dialog with act applied to it once it is up.
std::optional<SaveFileAnswer> runDialog(const SaveFileRequest &request, std::function<void(QFileDialog &)> act) {
  QTimer::singleShot(0, [act] {
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no file dialog is showing";
      if (QWidget *other = QApplication::activeModalWidget()) other->close();
      return;
    }
    act(*dialog);
  });
  return QtDialogs::showSaveDialog(nullptr, request);
}

TEST(QtSaveDialog, OffersTheFiltersWithTheRequestedOneSelected) {
  test::TempDir dir;
  SaveFileRequest request = jpegRequest((dir.path() / "vesk.jpg").string());
  request.filterIndex = 2;
  QStringList filters;
  QString selected;
  const auto answer = runDialog(request, [&](QFileDialog &dialog) {
    filters = dialog.nameFilters();
    selected = dialog.selectedNameFilter();
    dialog.reject();
  });
  EXPECT_FALSE(answer.has_value());
  EXPECT_EQ(filters, (QStringList{"JPEG Files (*.JPG)", "All Files (*.*)"}));
  EXPECT_EQ(selected, QStringLiteral("All Files (*.*)"));
}

TEST(QtSaveDialog, NameWithoutExtensionGetsTheDefaultOne) {
  test::TempDir dir;
  const auto answer = runDialog(jpegRequest((dir.path() / "vesk.jpg").string()), [&](QFileDialog &dialog) {
    dialog.selectFile(QString::fromStdString((dir.path() / "result").string()));
    static_cast<QDialog &>(dialog).accept();
  });
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->fileName, (dir.path() / "result.JPG").string());
  EXPECT_EQ(answer->filterIndex, 1);
}

TEST(QtSaveDialog, ProposesTheRequestedName) {
  test::TempDir dir;
  const auto answer = runDialog(jpegRequest((dir.path() / "vesk.jpg").string()),
                                [](QFileDialog &dialog) { static_cast<QDialog &>(dialog).accept(); });
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->fileName, (dir.path() / "vesk.jpg").string());
}

}  // namespace
}  // namespace vesk
