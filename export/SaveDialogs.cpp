#include "export/SaveDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace vesk {

std::optional<SaveFileAnswer> showQtSaveDialog(QWidget *owner, const SaveFileRequest &request) {
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
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder));
  if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  SaveFileAnswer answer;
  answer.fileName = dialog.selectedFiles().constFirst().toStdString();
  answer.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return answer;
}

}  // namespace vesk
