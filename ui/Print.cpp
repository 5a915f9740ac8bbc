// File > Print: one page per copy, each with the client area's image.
#include "ui/Main.h"

#include "export/mCapture.h"
#include "files/PdfCheck.h"
#include "files/SafeReplace.h"
#include "files/WriteError.h"

#include <QMenu>
#include <QPainter>
#include <QPrinter>

namespace vesk {

namespace {

// The pages, one per copy; the reason when the job could not be finished,
// "" when it was. A job that fails is aborted.
std::string printPages(Main &window, QPrinter &printer, int copies,
                       const std::function<void(bool visible)> &showPrintEntries) {
  QPainter painter;
  if (!painter.begin(&printer)) return "the file could not be opened for printing";
  // A PDF keeps the picture's pixels as they are rather than as a JPEG.
  painter.setRenderHint(QPainter::LosslessImageRendering);
  // The picture keeps its natural size: screen pixels at the screen's resolution.
  const double scale = printer.resolution() / (1440.0 / window.view().twipsPerPixel());
  for (int copy = 1; copy <= copies; ++copy) {
    showPrintEntries(false);
    const QImage picture = CaptureFormClient(window);
    const bool drawn = !picture.isNull() && printer.printerState() != QPrinter::Error;
    if (drawn) painter.drawImage(QRectF(0, 0, picture.width() * scale, picture.height() * scale), picture);
    showPrintEntries(true);
    const bool paged = drawn && (copy == copies || printer.newPage());
    if (!paged || printer.printerState() == QPrinter::Error) {
      printer.abort();
      painter.end();
      return "the printer stopped before the last page";
    }
  }
  painter.end();
  return {};
}

}  // namespace

void Main::setPrintEntriesVisible(bool visible) {
  for (QAction *entry : {mnFile->menuAction(), mnOpen, mnPrint, mnExit, mnZoom, mnReset}) entry->setVisible(visible);
}

void Main::mnPrintClick() {
  const std::unique_ptr<QPrinter> owned = dialogs.makePrinter();
  QPrinter &printer = *owned;
  if (!dialogs.printDialog(this, printer)) return;

  // The pages are made here, one per copy, so the printer itself must not multiply them.
  const int copies = printer.copyCount();
  printer.setCopyCount(1);
  repaint();
  if (copies < 1) return;

  const auto showEntries = [this](bool visible) { setPrintEntriesVisible(visible); };
  // A printer ends silently on any failure.
  const QString target = printer.outputFileName();
  if (target.isEmpty()) {
    printPages(*this, printer, copies, showEntries);
    return;
  }

  // A PDF is printed into a temporary file that replaces the chosen one only
  // once it is complete: Qt's PDF engine reports no write error of its own.
  const std::string fileName = target.toStdString();
  try {
    replacePdf(fileName, [&](SafeReplace &file) {
      printer.setOutputFileName(QString::fromStdString(file.temporaryName()));
      const std::string failure = printPages(*this, printer, copies, showEntries);
      if (!failure.empty()) throw FileWriteError(failure, fileName);
    });
  } catch (const FileWriteError &e) {
    dialogs.messageBox(this, "Failed to print to the file '" + target.toStdString() + "':\n" + e.reason(), "vesk",
                       Dialogs::Icon::Warning);
  }
}

}  // namespace vesk
