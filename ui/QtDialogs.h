#pragma once

#include "ui/Dialogs.h"

namespace vesk {

// The dialogs a user sees: Qt's file, folder and print dialogs and message boxes.
class QtDialogs final : public Dialogs {
public:
  std::string getOpenFileName(QWidget *owner, const std::string &initDir, const std::string &fileName) override;
  void messageBox(QWidget *owner, const std::string &text, const std::string &title, Icon icon) override;
  std::string browseForFolder(QWidget *owner, const std::string &title, const std::string &startFolder) override;
  bool printDialog(QWidget *owner, QPrinter &printer) override;
  std::unique_ptr<LoadProgress> loadProgress(QWidget *owner, const std::string &path) override {
    return makeProgressBar(owner, path);
  }
  std::optional<SaveFileAnswer> getSaveFileName(const SaveFileRequest &request) override;
  void warningBox(const std::string &text, const std::string &caption, const std::string &detail) override;

  // Shows Qt's save dialog for a request, owned by owner (may be null).
  static std::optional<SaveFileAnswer> showSaveDialog(QWidget *owner, const SaveFileRequest &request);

  // The window that owns the save dialog and warning box.
  QWidget *saveOwner = nullptr;
};

}  // namespace vesk
