#include "ui/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringList>

namespace vesk {

namespace {
QString fromUtf8(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
}  // namespace

std::string QtDialogs::getOpenFileName(QWidget *owner, const std::string &initDir, const std::string &fileName) {
  QFileDialog dialog(owner, QString(), fromUtf8(initDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.selectFile(fromUtf8(fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

void QtDialogs::messageBox(QWidget *owner, const std::string &text, const std::string &title, Icon icon) {
  QMessageBox::Icon qicon = QMessageBox::NoIcon;
  switch (icon) {
    case Icon::None:
      break;
    case Icon::Warning:
      qicon = QMessageBox::Warning;
      break;
  }
  QMessageBox box(qicon, fromUtf8(title), fromUtf8(text), QMessageBox::Ok, owner);
  box.exec();
}

std::string QtDialogs::browseForFolder(QWidget *owner, const std::string &title, const std::string &startFolder) {
  return QFileDialog::getExistingDirectory(owner, fromUtf8(title), fromUtf8(startFolder)).toStdString();
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

std::optional<SaveFileAnswer> QtDialogs::showSaveDialog(QWidget *owner, const SaveFileRequest &request) {
  QFileDialog dialog(owner);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Name filters match whatever the case, so "*.JPG" lists ".jpg" files too.
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  if (!request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.dialogTitle.empty()) dialog.setWindowTitle(QString::fromStdString(request.dialogTitle));

  QStringList filters;
  for (const auto &[description, pattern] : request.filters) {
    const QString text = QString::fromStdString(description);
    const QString patterns = QString::fromStdString(pattern).replace(u';', u' ');
    filters << (text.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'))
                    ? text
                    : text + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) {
      dialog.selectNameFilter(filters.at(request.filterIndex - 1));
    }
  }
  if (!request.defaultExtension.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    // A name typed without an extension gets that of the type chosen, not always the first type's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
      static const QRegularExpression first(QStringLiteral("\\*\\.(\\w+)"));
      const QRegularExpressionMatch match = first.match(filter);
      if (match.hasMatch()) dialog.setDefaultSuffix(match.captured(1));
    });
  }
  if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder));
  if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  SaveFileAnswer answer;
  answer.fileName = dialog.selectedFiles().constFirst().toStdString();
  answer.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return answer;
}

std::optional<SaveFileAnswer> QtDialogs::getSaveFileName(const SaveFileRequest &request) {
  return showSaveDialog(saveOwner, request);
}

void QtDialogs::warningBox(const std::string &text, const std::string &caption, const std::string &detail) {
  QMessageBox box(QMessageBox::Warning, fromUtf8(caption), fromUtf8(text), QMessageBox::Ok, saveOwner);
  box.setDetailedText(fromUtf8(detail));
  box.exec();
}

}  // namespace vesk
