#include "ui/Main.h"

#include "ui/CopyImage.h"
#include "ui/Desktop.h"
#include "ui/ExportCommand.h"
#include "ui/FileFollower.h"
#include "ui/Options.h"
#include "ui/PictureBox.h"
#include "ui/RecentFiles.h"
#include "ui/SaveAsJpeg.h"
#include "ui/StatusReadout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
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

// A load error for the status bar, which names the file already: the path
// goes, so that the line and the reason fit.
std::string reloadProblem(std::string message, const std::string &path) {
  const std::string quoted = "\"" + path + "\": ";
  const std::size_t at = message.find(quoted);
  if (at != std::string::npos) {
    const std::string head = message.substr(0, at), reason = message.substr(at + quoted.size());
    message = head == "Cannot load " ? reason : "c" + head.substr(1) + "it: " + reason;
  }
  return "Reloading failed: " + message;
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
  setWindowIcon(programIcon());
  followed = new FileFollower(this);
  connect(followed, &FileFollower::changed, this, &Main::followedFileChanged);
  connect(followed, &FileFollower::missing, this, [this] {
    if (isVesk) status->setProblem("The file is missing; it is read again once it is back.");
  });
  // No automatic reload while the engine is inside a dialog of its own.
  graphView.openDialog = [this](const std::string &initDir, const std::string &fileName) {
    const FileFollower::Hold hold(*followed);
    std::string path = this->dialogs.getOpenFileName(this, usableFolder(initDir), fileName);
    if (!path.empty()) fileToReload = path;
    if (!path.empty()) progress = this->dialogs.loadProgress(this, path);
    return path;
  };
  graphView.loadProgress = [this](double share) { return !progress || progress->update(share); };
  graphView.messageBox = [this](const std::string &text, const std::string &title) {
    const FileFollower::Hold hold(*followed);
    this->dialogs.messageBox(this, text, title, Dialogs::Icon::None);
  };
  createSurfaces();
  createActions();
  createViewActions();
  createMenus();
  // Under the client area, which keeps its size and its pictures.
  statusText = new QLabel(this);
  statusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(statusText, 1);
  // A fixed height, as the rest of the frame has: a line of text never resizes the window.
  statusBar()->setFixedHeight(std::max(statusBarHeight, statusText->fontMetrics().height() + 6));
  status = std::make_unique<StatusReadout>(*statusText);
  setAcceptDrops(true);
  // The layout is fixed: the frame does not resize.
  adjustSize();
  setFixedSize(size());

  DefaultDirectory = graphView.settings().readDefaultDirectory();
  DefaultFontSize = graphView.settings().readDefaultFontSize();
  mnFollowFile->setChecked(graphView.settings().readFollowFile());
  followed->setEnabled(mnFollowFile->isChecked());
  connect(mnFollowFile, &QAction::toggled, this, &Main::setFollowFile);
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
  connect(Picture1, &PictureBox::pointerAt, this, &Main::pointerAt);
  connect(Picture1, &PictureBox::pointerLeft, this, [this] {
    pointerPixel.reset();
    status->pointerLeft();
  });
  connect(Picture1, &PictureBox::wheelTurned, this, &Main::Picture1Wheel);
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
  mnExport = new QAction("Export...", this);
  mnExport->setShortcut(Qt::CTRL | Qt::Key_E);
  mnExport->setEnabled(false);
  connect(mnExport, &QAction::triggered, this, &Main::mnExportClick);
  mnCopyImage = new QAction("Copy Image", this);
  mnCopyImage->setShortcuts(QKeySequence::Copy);
  mnCopyImage->setEnabled(false);
  connect(mnCopyImage, &QAction::triggered, this, &Main::mnCopyImageClick);
  mnOptions = new QAction("Options", this);
  connect(mnOptions, &QAction::triggered, this, &Main::mnOptionsClick);
  mnFollowFile = new QAction("Follow File", this);
  mnFollowFile->setCheckable(true);
  mnFollowFile->setChecked(true);
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
  recent = new RecentFilesMenu(mnFile, graphView.settings(), [this](const std::string &path) { openRecent(path); });
  mnOpenRecent = recent->menu();
  mnFile->addMenu(mnOpenRecent);
  mnFile->addAction(mnPrint);
  mnFile->addAction(mnSave);
  mnFile->addAction(mnExport);
  mnFile->addAction(mnCopyImage);
  mnFile->addAction(mnOptions);
  mnFile->addAction(mnFollowFile);
  mnFile->addAction(mnExit);
  bar->addAction(mnZoom);
  bar->addAction(mnReset);
  bar->addAction(mnNoLabels);
}

void Main::mnOpenClick() {
  if (loading) return;
  openWith([this] { return graphView.open(); });
}

void Main::openFile(const std::string &path) {
  if (loading) return;  // a drop or F5 while a load runs
  progress = dialogs.loadProgress(this, path);
  const std::string earlier = fileToReload;
  fileToReload = path;
  bool cancelled = false;
  openWith([&] {
    try {
      graphView.openFile(path);
    } catch (const LoadCancelled &) {
      cancelled = true;
      return false;
    }
    return true;
  });
  // A cancelled load leaves the window as it was, the file F5 reads included.
  if (cancelled) {
    fileToReload = earlier;
    followed->follow(QString::fromStdString(fileToReload));
  }
}

void Main::openStandardInput() {
  openWith(
      [&] {
        graphView.openStandardInput();
        return true;
      },
      true);
}

void Main::openRecent(const std::string &path) {
  if (!QFileInfo::exists(QString::fromStdString(path))) {
    dialogs.messageBox(this, "\"" + path + "\" no longer exists; it is taken off the list of recent files.", "vesk",
                       Dialogs::Icon::Warning);
    recent->remove(path);
    return;
  }
  openFile(path);
}

void Main::reload() {
  if (loading) return;
  if (fromStandardInput) {
    dialogs.messageBox(this, "The graph was read from standard input: there is no file to read again.", "vesk",
                       Dialogs::Icon::None);
    return;
  }
  if (fileToReload.empty()) return;
  try {
    reloadFile();
  } catch (const LoadCancelled &) {
  } catch (const LoadError &error) {
    const FileFollower::Hold hold(*followed);
    // The graph shown is no longer the file's: the bar says so after the box.
    status->setProblem(reloadProblem(error.what(), fileToReload));
    dialogs.messageBox(this, error.what(), "vesk", Dialogs::Icon::Warning);
  }
}

void Main::followedFileChanged() {
  if (loading || fromStandardInput || fileToReload.empty()) return;
  try {
    reloadFile();
  } catch (const LoadCancelled &) {
  } catch (const LoadError &error) {
    // No message box for a reload the user did not ask for: the graph stays.
    status->setProblem(reloadProblem(error.what(), fileToReload));
  }
}

void Main::reloadFile() {
  const FileFollower::Hold hold(*followed);
  using Limits = std::optional<std::array<double, 4>>;
  const auto limits = [this]() -> Limits {
    if (!isVesk || !currentVesk || currentVesk->model().dataSets.empty()) return std::nullopt;
    const GraphModel &m = currentVesk->model();
    return std::array<double, 4>{m.xMin, m.xMax, m.yMin, m.yMax};
  };
  const Limits before = limits();
  // Followed from the state it is read in, so that a write during the load is not missed.
  followed->follow(QString::fromStdString(fileToReload));
  progress = dialogs.loadProgress(this, fileToReload);
  {
    const LoadScope scope(*this);
    graphView.loadFile(fileToReload);
  }
  isDown = false;
  dragMoved = false;
  pan.reset();
  mnZoom->setEnabled(false);
  if (before && before == limits()) {
    redraw();
  } else {
    history.reset();
    showView(std::nullopt);
  }
  mnPrint->setEnabled(true);
  mnSave->setEnabled(true);
  mnNoLabels->setEnabled(true);
  isVesk = true;
  showLoaded();
}

void Main::showLoaded() {
  const QString name = fromStandardInput ? QStringLiteral("standard input")
                                         : QFileInfo(QString::fromStdString(fileToReload)).fileName();
  setWindowTitle(name + " - Vesk");
  status->setGraph(currentVesk->model(), name.toStdString());
  if (pointerPixel) pointerAt(*pointerPixel);
}

void Main::openWith(const std::function<bool()> &load, bool standardInput) {
  const FileFollower::Hold hold(*followed);
  // A drag cannot go on across a modal dialog or a message box.
  endDrag();
  pan.reset();
  bool loaded = false;
  try {
    const LoadScope scope(*this);
    loaded = load();
  } catch (const LoadError &error) {
    dialogs.messageBox(this, error.what(), "vesk", Dialogs::Icon::Warning);
  } catch (const LoadCancelled &) {
  }
  // A cancelled or failed Open leaves the graph, its view and the menus as
  // they were; a file that failed is still followed, so that it shows once fixed.
  if (!loaded) {
    if (!fromStandardInput) followed->follow(QString::fromStdString(fileToReload));
    return;
  }
  fromStandardInput = standardInput;
  if (standardInput) fileToReload.clear();
  followed->follow(QString::fromStdString(fileToReload));
  // A new graph is shown whole.
  isZoom = false;
  history.reset();
  selectionShown = false;
  mnZoom->setEnabled(false);
  mnReset->setEnabled(false);
  mnPrint->setEnabled(true);
  mnSave->setEnabled(true);
  mnNoLabels->setEnabled(true);
  mnExport->setEnabled(true);
  mnCopyImage->setEnabled(true);
  isVesk = true;
  showLoaded();
  if (!standardInput && !fileToReload.empty()) recent->add(fileToReload);
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
  // The redraw takes away any selection rectangle, and with it what Zoom would zoom into.
  selectionShown = false;
  mnZoom->setEnabled(false);
  if (isZoom)
    graphView.zoom(zoomArea.startX, zoomArea.startY, zoomArea.endX, zoomArea.endY);
  else
    graphView.refresh();
}

void Main::mnZoomClick() {
  // The engine wants the corners at the screen's upper left and lower right
  // first; ordered here by where they lie on screen, a drag in any direction
  // zooms and a reversed axis stays reversed.
  const QtSurface &area = Picture1->surface();
  const bool xUp = area.ScaleWidth() >= 0, yUp = area.ScaleHeight() >= 0;
  const ViewRect view{xUp ? std::min(startX, endX) : std::max(startX, endX),
                      yUp ? std::min(startY, endY) : std::max(startY, endY),
                      xUp ? std::max(startX, endX) : std::min(startX, endX),
                      yUp ? std::max(startY, endY) : std::min(startY, endY)};
  history.show(view);
  showView(view);
}

void Main::mnResetClick() {
  history.reset();
  showView(std::nullopt);
}

ViewRect Main::shownView() const {
  if (isZoom) return {zoomArea.startX, zoomArea.startY, zoomArea.endX, zoomArea.endY};
  const QtSurface &area = Picture1->surface();
  return {area.ScaleLeft(), area.ScaleTop(), area.ScaleLeft() + area.ScaleWidth(),
          area.ScaleTop() + area.ScaleHeight()};
}

void Main::showView(const ZoomHistory::View &view) {
  selectionShown = false;
  // A drag begun in one view's coordinates would go on in another's.
  isDown = false;
  dragMoved = false;
  isZoom = view.has_value();
  if (view) {
    zoomArea = {view->left, view->top, view->right, view->bottom};
    redraw();
  } else {
    graphView.refresh();
  }
  mnZoom->setEnabled(false);
  mnReset->setEnabled(isZoom);
  if (pointerPixel) pointerAt(*pointerPixel);
}

void Main::goTo(const ViewRect &view) {
  if (!isVesk || !usableView(view)) return;
  history.show(view);
  showView(view);
}

void Main::back() {
  if (!isVesk) return;
  if (const auto view = history.back()) showView(*view);
}

void Main::forward() {
  if (!isVesk) return;
  if (const auto view = history.forward()) showView(*view);
}

void Main::zoomAboutCentre(double factor) {
  const ViewRect v = shownView();
  goTo(zoomedAbout(v, (v.left + v.right) / 2, (v.top + v.bottom) / 2, factor));
}

void Main::panBy(double across, double down) {
  if (isZoom) goTo(pannedBy(shownView(), across, down));
}

void Main::Picture1Wheel(QPointF pixel, int angle) {
  if (!isVesk || isDown || pan) return;
  const QPointF at = Picture1->toUser(pixel);
  goTo(zoomedAbout(shownView(), at.x(), at.y(), std::pow(1.25, angle / 120.0)));
}

void Main::pointerAt(QPointF pixel) {
  latestPixel = pixel;
  // While a button is held the pointer is reported beyond the area too.
  if (!Picture1->rect().contains(pixel.toPoint())) {
    pointerPixel.reset();
    status->pointerLeft();
    return;
  }
  pointerPixel = pixel;
  if (isVesk) status->pointerAt(pixel, Picture1->surface());
}

void Main::setFollowFile(bool on) {
  followed->setEnabled(on);
  try {
    graphView.settings().writeFollowFile(on);
  } catch (const SettingsError &e) {
    // It still holds for this run.
    dialogs.messageBox(this, e.what(), "vesk", Dialogs::Icon::Warning);
  }
}

void Main::createViewActions() {
  const auto action = [this](const char *name, QList<QKeySequence> keys, auto slot) {
    auto *a = new QAction(name, this);
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
  };
  backAction = action("Back", {Qt::Key_Backspace, Qt::ALT | Qt::Key_Left}, &Main::back);
  forwardAction = action("Forward", {Qt::ALT | Qt::Key_Right}, &Main::forward);
  panLeftAction = action("Pan Left", {Qt::Key_Left}, [this] { panBy(-0.1, 0); });
  panRightAction = action("Pan Right", {Qt::Key_Right}, [this] { panBy(0.1, 0); });
  panUpAction = action("Pan Up", {Qt::Key_Up}, [this] { panBy(0, -0.1); });
  panDownAction = action("Pan Down", {Qt::Key_Down}, [this] { panBy(0, 0.1); });
  zoomInAction = action("Zoom In", {Qt::Key_Plus, Qt::Key_Equal, Qt::KeypadModifier | Qt::Key_Plus},
                        [this] { zoomAboutCentre(1.25); });
  zoomOutAction =
      action("Zoom Out", {Qt::Key_Minus, Qt::KeypadModifier | Qt::Key_Minus}, [this] { zoomAboutCentre(1 / 1.25); });
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

void Main::mnSaveClick() { saveAsJpeg(*this, usableFolder(DefaultDirectory), dialogs); }

void Main::mnExportClick() {
  exportView(graphView, fromStandardInput ? std::string() : fileToReload, usableFolder(DefaultDirectory), dialogs,
             this);
}

void Main::mnCopyImageClick() { copyImage(graphView); }

void Main::Picture1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers shift, float x, float y) {
  // Ctrl and a drag move a zoomed view with the pointer instead of selecting.
  if (isZoom && (shift & Qt::ControlModifier)) {
    pan = Pan{latestPixel, shownView()};
    return;
  }
  startX = x;
  startY = y;
  isDown = true;
  dragMoved = false;
  // A new press drops the earlier selection, a plain click included.
  if (selectionShown) redraw();
  mnZoom->setEnabled(false);
}

void Main::panWithPointer(Qt::MouseButtons buttons) {
  // A release that never came (the window lost the pointer) ends the pan.
  if (buttons == Qt::NoButton) {
    pan.reset();
    return;
  }
  const QPointF moved = latestPixel - pan->from;
  // The surface's own extent in pixels, in which the pointer maps to data.
  const QtSurface &area = Picture1->surface();
  const double wide = area.Width() / area.twipsPerPixel(), high = area.Height() / area.twipsPerPixel();
  const ViewRect view = pannedBy(pan->view, -moved.x() / wide, -moved.y() / high);
  if (!usableView(view)) return;
  // One step of the history for the whole drag.
  if (pan->moved)
    history.replace(view);
  else
    history.show(view);
  pan->moved = true;
  showView(view);
}

void Main::Picture1MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers, float x, float y) {
  if (pan) return panWithPointer(buttons);
  if (!isDown) return;
  endX = x;
  endY = y;
  dragMoved = true;
  // Before any graph there is nothing to select in.
  if (!isVesk) return;
  // The view under the rectangle is the one drawn last: its pixels come back without drawing it again.
  if (!graphView.restoreShown()) redraw();
  Picture1->surface().Line(startX, startY, x, y, Colour{0}, true);
  graphView.markDrawnOver();
  selectionShown = true;
}

void Main::Picture1MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, float, float) {
  pan.reset();
  endDrag();
}

void Main::endDrag() {
  if (isDown) mnZoom->setEnabled(selectionShown && dragMoved && selectionZoomable());
  isDown = false;
  dragMoved = false;
}

}  // namespace vesk
