#pragma once

#include "export/SaveDialogs.h"
#include "ui/LoadProgress.h"

#include <QPrinter>

#include <memory>
#include <string>

class QWidget;

namespace vesk {

// Every modal dialog and message box the program shows. The real one shows
// Qt's dialogs; tests answer from a script, so that nothing ever blocks.
class Dialogs : public SaveDialogs {
public:
  enum class Icon { None, Warning };

  // An open-file dialog in initDir with fileName proposed, insisting on an
  // existing file; the full path, or "" when cancelled.
  virtual std::string getOpenFileName(QWidget *owner, const std::string &initDir, const std::string &fileName) = 0;
  // A message box with one OK button.
  virtual void messageBox(QWidget *owner, const std::string &text, const std::string &title, Icon icon) = 0;
  // A modal folder chooser owned by owner, starting in startFolder; the folder, or "" when cancelled.
  virtual std::string browseForFolder(QWidget *owner, const std::string &title, const std::string &startFolder) = 0;
  // The print dialog set up on printer; false when cancelled.
  virtual bool printDialog(QWidget *owner, QPrinter &printer) = 0;
  // What a load of the file at path shows while it runs; none (the default)
  // shows nothing and never cancels.
  virtual std::unique_ptr<LoadProgress> loadProgress(QWidget *owner, const std::string &path) {
    (void)owner;
    (void)path;
    return nullptr;
  }
  // The printer the print dialog is shown for.
  virtual std::unique_ptr<QPrinter> makePrinter() { return std::make_unique<QPrinter>(QPrinter::HighResolution); }
};

}  // namespace vesk
