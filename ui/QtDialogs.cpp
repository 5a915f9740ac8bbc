#include "ui/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace vesk {

namespace {
QString qs(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
}  // namespace

std::string QtDialogs::getOpenFileName(QWidget *owner, const std::string &initDir, const std::string &fileName) {
  QFileDialog dialog(owner, QString(), qs(initDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.selectFile(qs(fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

void QtDialogs::messageBox(QWidget *owner, const std::string &text, const std::string &title, Icon icon) {
  QMessageBox::Icon qicon = QMessageBox::NoIcon;
  switch (icon) {
    case Icon::None:
      break;
    case Icon::Information:
      qicon = QMessageBox::Information;
      break;
    case Icon::Warning:
      qicon = QMessageBox::Warning;
      break;
    case Icon::Critical:
      qicon = QMessageBox::Critical;
      break;
  }
  QMessageBox box(qicon, qs(title), qs(text), QMessageBox::Ok, owner);
  box.exec();
}

std::string QtDialogs::browseForFolder(QWidget *owner, const std::string &title) {
  return QFileDialog::getExistingDirectory(owner, qs(title)).toStdString();
}

bool QtDialogs::printDialog(QWidget *owner, QPrinter &printer) {
  QPrintDialog dialog(&printer, owner);
  // No page ranges: every copy is the one window image. Qt's "Print to File
  // (PDF)" printer stays offered, as it is the only printer many Linux
  // machines have.
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  return dialog.exec() == QDialog::Accepted;
}

std::optional<SaveFileAnswer> QtDialogs::getSaveFileName(const SaveFileRequest &request) {
  return showQtSaveDialog(saveOwner, request);
}

void QtDialogs::warningBox(const std::string &text, const std::string &caption) {
  QMessageBox box(QMessageBox::Warning, qs(caption), qs(text), QMessageBox::Ok, saveOwner);
  box.exec();
}

}  // namespace vesk
