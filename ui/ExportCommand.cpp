#include "ui/ExportCommand.h"

#include "files/WriteError.h"
#include "ui/Dialogs.h"
#include "view/GraphView.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vesk {

int exportScaleFor(double devicePixelRatio) {
  // A little below a whole number counts as that number: ratios come as 1.0000001.
  const double ratio = std::isfinite(devicePixelRatio) ? std::ceil(devicePixelRatio - 1e-6) : 1;
  return int(std::clamp(ratio, 1.0, 8.0));
}

void exportView(GraphView &view, const std::string &dataFile, const std::string &folder, Dialogs &dialogs,
                QWidget *owner) {
  const std::string base = dataFile.empty()
                               ? std::string("vesk")
                               : QFileInfo(QString::fromStdString(dataFile)).completeBaseName().toStdString();
  SaveFileRequest request;
  request.fileName =
      folder + "/" + (base.empty() ? std::string("vesk") : base) + "." + extensionOf(exportTypes[0].format);
  request.dialogTitle = "Export";
  request.defaultExtension = extensionOf(exportTypes[0].format);
  for (const ExportType &type : exportTypes) request.filters.emplace_back(type.description, type.patterns);
  const std::optional<SaveFileAnswer> answer = dialogs.getSaveFileName(request);
  if (!answer || answer->fileName.empty()) return;

  std::string file = answer->fileName;
  std::optional<ExportFormat> format = exportFormatOfFile(file);
  if (!format) {
    const int index =
        answer->filterIndex >= 1 && answer->filterIndex <= int(std::size(exportTypes)) ? answer->filterIndex : 1;
    format = exportTypes[index - 1].format;
    file += "." + extensionOf(*format);
  }
  ExportSettings settings;
  settings.scale = exportScaleFor(view.devicePixelRatio());
  const auto failed = [&](const std::string &reason) {
    dialogs.messageBox(owner, "Failed to export the picture to the file '" + file + "':\n" + reason, "vesk",
                       Dialogs::Icon::Warning);
  };
  try {
    writeExport(view, file, *format, settings);
  } catch (const FileWriteError &e) {
    failed(e.reason());
  } catch (const std::exception &e) {
    failed(e.what());
  }
}

}  // namespace vesk
