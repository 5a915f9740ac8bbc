#include "ui/Main.h"

#include "export/PdfCheck.h"
#include "export/SafeReplace.h"
#include "export/mCapture.h"
#include "ui/Options.h"
#include "ui/PictureBox.h"
#include "ui/SaveAsJpeg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <optional>

namespace vesk {

namespace {

// The one local file (not a folder) a drop carries, or "" for anything else.
QString droppedFile(const QMimeData *data) {
  if (!data || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.constFirst().isLocalFile()) return {};
  const QString path = urls.constFirst().toLocalFile();
  if (path.isEmpty() || QFileInfo(path).isDir()) return {};
  return path;
}

}  // namespace

Main::Main(Dialogs &dialogs, SettingsFile settings, QWidget *parent)
    : QMainWindow(parent),
      graphView(GraphView::windowFont(), std::move(settings), GraphView::screenTwipsPerPixel(),
                GraphView::screenDevicePixelRatio()),
      DefaultFontSize(graphView.DefaultFontSize),
      currentVesk(graphView.currentVesk),
      NoLables(graphView.NoLables),
      dialogs(dialogs) {
  setWindowTitle("Vesk");
  graphView.openDialog = [this](const std::string &initDir, const std::string &fileName) {
    std::string path = this->dialogs.getOpenFileName(this, initDir, fileName);
    if (!path.empty()) fileToReload = path;
    return path;
  };
  graphView.messageBox = [this](const std::string &text, const std::string &title) {
    this->dialogs.messageBox(this, text, title, Dialogs::Icon::None);
  };
  createSurfaces();
  createActions();
  createMenus();
  setAcceptDrops(true);
  // The layout is fixed: the frame does not resize.
  adjustSize();
  setFixedSize(size());

  DefaultDirectory = graphView.settings().readDefaultDirectory();
  DefaultFontSize = graphView.settings().readDefaultFontSize();
}

Main::~Main() {
  // The picture boxes show the view's surfaces: they go first.
  delete takeCentralWidget();
}

Options *Main::optionsDialog() const { return options.data(); }

void Main::createSurfaces() {
  auto *client = new QWidget(this);
  // The client area draws in the view's fixed font; the menus keep the desktop's.
  client->setFont(GraphView::windowFont());
  client->setFixedSize(graphView.clientSize());
  client->setAutoFillBackground(true);
  QPalette clientPal = client->palette();
  clientPal.setColor(QPalette::Window, graphView.stripBackground());
  client->setPalette(clientPal);
  setCentralWidget(client);

  auto box = [&](QtSurface &surface) {
    auto *picture = new PictureBox(client, surface);
    picture->move(graphView.position(surface));
    return picture;
  };
  Picture2 = box(graphView.yPicture());
  Picture3 = box(graphView.xPicture());
  // The graph area lies over the y strip where the two overlap.
  Picture1 = box(graphView.mainPicture());
  Picture1->raise();

  connect(Picture1, &PictureBox::mouseDown, this, &Main::Picture1MouseDown);
  connect(Picture1, &PictureBox::mouseMove, this, &Main::Picture1MouseMove);
  connect(Picture1, &PictureBox::mouseUp, this, &Main::Picture1MouseUp);
}

void Main::createActions() {
  mnOpen = new QAction("Open", this);
  mnOpen->setShortcuts(QKeySequence::Open);
  connect(mnOpen, &QAction::triggered, this, &Main::mnOpenClick);
  mnPrint = new QAction("Print", this);
  mnPrint->setShortcuts(QKeySequence::Print);
  mnPrint->setEnabled(false);
  connect(mnPrint, &QAction::triggered, this, &Main::mnPrintClick);
  mnSave = new QAction("Save as JPEG", this);
  mnSave->setShortcuts(QKeySequence::Save);
  mnSave->setEnabled(false);
  connect(mnSave, &QAction::triggered, this, &Main::mnSaveClick);
  mnOptions = new QAction("Options", this);
  connect(mnOptions, &QAction::triggered, this, &Main::mnOptionsClick);
  mnExit = new QAction("Exit", this);
  // Some platform themes have no standard key for Quit.
  const QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
  mnExit->setShortcuts(quit.isEmpty() ? QList<QKeySequence>{Qt::CTRL | Qt::Key_Q} : quit);
  connect(mnExit, &QAction::triggered, this, &Main::mnExitClick);
  mnZoom = new QAction("Zoom", this);
  mnZoom->setShortcut(Qt::Key_Z);
  mnZoom->setEnabled(false);
  connect(mnZoom, &QAction::triggered, this, &Main::mnZoomClick);
  mnReset = new QAction("Reset", this);
  mnReset->setShortcut(Qt::Key_Escape);
  mnReset->setEnabled(false);
  connect(mnReset, &QAction::triggered, this, &Main::mnResetClick);
  mnNoLabels = new QAction("No Labels", this);
  mnNoLabels->setEnabled(false);
  connect(mnNoLabels, &QAction::triggered, this, &Main::mnNoLabelsClick);
  reloadAction = new QAction("Reload", this);
  reloadAction->setShortcuts(QKeySequence::Refresh);
  connect(reloadAction, &QAction::triggered, this, &Main::reload);
  addAction(reloadAction);
}

void Main::createMenus() {
  QMenuBar *bar = menuBar();
  bar->setNativeMenuBar(false);
  mnFile = bar->addMenu("File");
  mnFile->addAction(mnOpen);
  mnFile->addAction(mnPrint);
  mnFile->addAction(mnSave);
  mnFile->addAction(mnOptions);
  mnFile->addAction(mnExit);
  bar->addAction(mnZoom);
  bar->addAction(mnReset);
  bar->addAction(mnNoLabels);
}

void Main::mnOpenClick() {
  openWith([this] { return graphView.open(); });
}

void Main::openFile(const std::string &path) {
  fileToReload = path;
  openWith([&] {
    graphView.openFile(path);
    return true;
  });
}

void Main::reload() {
  if (!fileToReload.empty()) openFile(fileToReload);
}

void Main::openWith(const std::function<bool()> &load) {
  // Every Open replaces the engine and clears the surfaces, cancelled or not:
  // a zoomed view or a drag of the previous graph ends here.
  isZoom = false;
  isDown = false;
  dragMoved = false;
  mnZoom->setEnabled(false);
  mnReset->setEnabled(false);
  bool loaded = false;
  try {
    loaded = load();
  } catch (const LoadError &error) {
    dialogs.messageBox(this, error.what(), "vesk", Dialogs::Icon::Warning);
  }
  if (!loaded) return;
  mnPrint->setEnabled(true);
  mnSave->setEnabled(true);
  mnNoLabels->setEnabled(true);
  isVesk = true;
}

void Main::mnNoLabelsClick() {
  if (mnNoLabels->text() == "No Labels") {
    NoLables = true;
    redraw();
    NoLables = false;
    mnNoLabels->setText("Labels");
  } else {
    redraw();
    mnNoLabels->setText("No Labels");
  }
}

void Main::redraw() {
  if (isZoom)
    graphView.zoom(zoomArea.startX, zoomArea.startY, zoomArea.endX, zoomArea.endY);
  else
    graphView.refresh();
}

void Main::mnZoomClick() {
  // The engine wants the upper left corner on screen first (on a reversed
  // axis the one with the larger value); ordered here, a drag in any direction zooms.
  const QtSurface &area = Picture1->surface();
  const QPointF start = area.toPixel(startX, startY), end = area.toPixel(endX, endY);
  const bool leftFirst = start.x() <= end.x(), topFirst = start.y() <= end.y();
  zoomArea = {leftFirst ? startX : endX, topFirst ? startY : endY, leftFirst ? endX : startX, topFirst ? endY : startY};
  isZoom = true;
  redraw();
  mnZoom->setEnabled(false);
  mnReset->setEnabled(true);
}

void Main::mnResetClick() {
  isZoom = false;
  // A drag begun in the zoomed view's coordinates would go on in the full view's.
  isDown = false;
  dragMoved = false;
  graphView.refresh();
  mnZoom->setEnabled(false);
  mnReset->setEnabled(false);
}

bool Main::selectionZoomable() const {
  const QtSurface &area = Picture1->surface();
  const QPointF size = area.toPixel(endX, endY) - area.toPixel(startX, startY);
  // 1.5 allows for the pixel position's round trip through single precision.
  const auto spans = [](double pixels) { return std::isfinite(pixels) && std::abs(pixels) >= 1.5; };
  return std::isfinite(startX) && std::isfinite(startY) && std::isfinite(endX) && std::isfinite(endY) &&
         spans(size.x()) && spans(size.y());
}

void Main::mnOptionsClick() {
  if (!options) options = new Options(this, DefaultDirectory, DefaultFontSize, graphView.settings(), dialogs);
  options->show();
  options->raise();
}

void Main::mnExitClick() { close(); }

void Main::closeEvent(QCloseEvent *event) {
  // Closing the window ends the program: the options dialog goes with it,
  // discarding its edits.
  if (options) options->close();
  event->accept();
}

void Main::dragEnterEvent(QDragEnterEvent *event) {
  if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Main::dropEvent(QDropEvent *event) {
  const QString path = droppedFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Opened once the drop is over, so that a message box does not hold up the file manager.
  QMetaObject::invokeMethod(
      this, [this, file = path.toStdString()] { openFile(file); }, Qt::QueuedConnection);
}

void Main::mnSaveClick() { saveAsJpeg(*this, DefaultDirectory, dialogs); }

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

  // A PDF is printed into a temporary file that replaces the chosen one only
  // once it is complete: Qt's PDF engine reports no write error of its own.
  const QString target = printer.outputFileName();
  std::optional<SafeReplace> pdf;
  const auto failed = [&](const std::string &reason) {
    dialogs.messageBox(this, "Failed to print to the file '" + target.toStdString() + "':\n" + reason, "vesk",
                       Dialogs::Icon::Warning);
  };
  if (!target.isEmpty()) {
    try {
      pdf.emplace(target.toStdString());
    } catch (const FileWriteError &e) {
      failed(e.reason());
      return;
    }
    printer.setOutputFileName(QString::fromStdString(pdf->temporaryName()));
  }

  QPainter painter;
  if (!painter.begin(&printer)) {
    if (pdf) failed("the file could not be opened for printing");
    return;
  }
  // The picture keeps its natural size: screen pixels at the screen's resolution.
  const double scale = printer.resolution() / (1440.0 / graphView.twipsPerPixel());
  for (int copy = 1; copy <= copies; ++copy) {
    setPrintEntriesVisible(false);
    const QImage picture = CaptureFormClient(*this);
    const bool drawn = !picture.isNull() && printer.printerState() != QPrinter::Error;
    if (drawn) painter.drawImage(QRectF(0, 0, picture.width() * scale, picture.height() * scale), picture);
    setPrintEntriesVisible(true);
    const bool paged = drawn && (copy == copies || printer.newPage());
    if (!paged || printer.printerState() == QPrinter::Error) {
      printer.abort();
      painter.end();
      if (pdf) failed("the printer stopped before the last page");
      return;
    }
  }
  painter.end();
  if (!pdf) return;
  try {
    checkPdfComplete(pdf->temporaryName());
    pdf->commit();
  } catch (const FileWriteError &e) {
    failed(e.reason());
  }
}

void Main::Picture1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, float x, float y) {
  startX = x;
  startY = y;
  isDown = true;
  dragMoved = false;
  mnZoom->setEnabled(false);
}

void Main::Picture1MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, float x, float y) {
  if (!isDown) return;
  if (isVesk) redraw();
  Picture1->surface().Line(startX, startY, x, y, Colour{0}, true);
  endX = x;
  endY = y;
  dragMoved = true;
}

void Main::Picture1MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, float, float) {
  if (isDown) mnZoom->setEnabled(isVesk && dragMoved && selectionZoomable());
  isDown = false;
  dragMoved = false;
}

}  // namespace vesk
