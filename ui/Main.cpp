#include "ui/Main.h"

#include "export/SaveAsJpeg.h"
#include "export/mCapture.h"
#include "ui/Options.h"
#include "ui/PictureBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScreen>

namespace vesk {

// The engine's view of the window: text metrics in the window's font, the
// preferences, and the dialogs.
class Main::Form final : public MainForm {
public:
  explicit Form(Main &window) : w(window) {}

  double TextWidth(const std::string &text) const override {
    return QFontMetricsF(w.font()).horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size()))) * w.tpp;
  }
  double TextHeight(const std::string &) const override { return QFontMetricsF(w.font()).height() * w.tpp; }
  double TwipsPerPixelY() const override { return w.tpp; }
  double DefaultFontSize() const override { return w.DefaultFontSize; }
  bool NoLables() const override { return w.NoLables; }
  const SettingsFile &settings() const override { return w.settingsFile; }
  std::string showOpenDialog(const std::string &initDir, const std::string &fileName) override {
    return w.dialogs.getOpenFileName(&w, initDir, fileName);
  }
  void messageBox(const std::string &text, const std::string &title) override {
    w.dialogs.messageBox(&w, text, title, Dialogs::Icon::None);
  }

private:
  Main &w;
};

Main::Main(Dialogs &dialogs, SettingsFile settings, QWidget *parent)
    : QMainWindow(parent),
      dialogs(dialogs),
      settingsFile(std::move(settings)),
      mainForm(std::make_unique<Form>(*this)) {
  setWindowTitle("Vesk");
  if (const QScreen *screen = QGuiApplication::primaryScreen()) tpp = 1440.0 / screen->logicalDotsPerInchY();
  createSurfaces();
  createActions();
  createMenus();
  // The layout is fixed: the frame does not resize.
  adjustSize();
  setFixedSize(size());

  DefaultDirectory = settingsFile.readDefaultDirectory();
  DefaultFontSize = settingsFile.readDefaultFontSize();
}

Main::~Main() = default;

MainForm &Main::form() { return *mainForm; }

Options *Main::optionsDialog() const { return options.data(); }

void Main::createSurfaces() {
  auto *client = new QWidget(this);
  client->setFixedSize(int(std::lround(10800 / tpp)), int(std::lround(7170 / tpp)));
  client->setAutoFillBackground(true);
  const QPalette pal = QApplication::palette();
  const QColor stripBack = pal.color(QPalette::HighlightedText);
  const QColor ink = pal.color(QPalette::WindowText);
  QPalette clientPal = client->palette();
  clientPal.setColor(QPalette::Window, stripBack);
  client->setPalette(clientPal);
  setCentralWidget(client);

  const QFont font = this->font();
  auto place = [&](PictureBox *box, double left, double top) {
    box->move(int(std::lround(left / tpp)), int(std::lround(top / tpp)));
  };
  Picture2 = new PictureBox(client, 1125, 6225, tpp, stripBack, ink, font);
  place(Picture2, 0, 0);
  Picture2->surface().Scale(0, 0, 1.0, 1.0008);
  Picture3 = new PictureBox(client, 9960, 855, tpp, stripBack, ink, font);
  place(Picture3, 840, 6240);
  // The graph area lies over the y strip where the two overlap.
  Picture1 = new PictureBox(client, 9600, 6100, tpp, Qt::white, ink, font);
  place(Picture1, 1080, 120);
  Picture1->surface().Scale(0, 0, 0.9969, 0.9959);
  Picture1->raise();

  connect(Picture1, &PictureBox::mouseDown, this, &Main::Picture1MouseDown);
  connect(Picture1, &PictureBox::mouseMove, this, &Main::Picture1MouseMove);
  connect(Picture1, &PictureBox::mouseUp, this, &Main::Picture1MouseUp);
}

void Main::createActions() {
  mnOpen = new QAction("Open", this);
  connect(mnOpen, &QAction::triggered, this, &Main::mnOpenClick);
  mnPrint = new QAction("Print", this);
  mnPrint->setEnabled(false);
  connect(mnPrint, &QAction::triggered, this, &Main::mnPrintClick);
  mnSave = new QAction("Save as JPEG", this);
  mnSave->setEnabled(false);
  connect(mnSave, &QAction::triggered, this, &Main::mnSaveClick);
  mnOptions = new QAction("Options", this);
  connect(mnOptions, &QAction::triggered, this, &Main::mnOptionsClick);
  mnExit = new QAction("Exit", this);
  connect(mnExit, &QAction::triggered, this, &Main::mnExitClick);
  mnZoom = new QAction("Zoom", this);
  mnZoom->setEnabled(false);
  mnReset = new QAction("Reset", this);
  mnReset->setEnabled(false);
  mnNoLabels = new QAction("No Labels", this);
  mnNoLabels->setEnabled(false);
  connect(mnNoLabels, &QAction::triggered, this, &Main::mnNoLabelsClick);
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

cVesk &Main::engine() {
  if (!currentVesk) currentVesk = std::make_unique<cVesk>(*mainForm);
  return *currentVesk;
}

void Main::mnOpenClick() {
  currentVesk = std::make_unique<cVesk>(*mainForm);
  bool loaded = false;
  try {
    loaded = currentVesk->vesk(*mainForm, Picture1->surface(), Picture3->surface(), Picture2->surface());
  } catch (const LoadError &error) {
    dialogs.messageBox(this, error.what(), "vesk", Dialogs::Icon::Warning);
  }
  if (!loaded) return;
  mnPrint->setEnabled(true);
  mnSave->setEnabled(true);
  mnNoLabels->setEnabled(true);
  isVesk = true;
  isZoom = false;
}

void Main::mnNoLabelsClick() {
  if (mnNoLabels->text() == "No Labels") {
    NoLables = true;
    engine().refresh(Picture1->surface(), Picture3->surface(), Picture2->surface());
    NoLables = false;
    mnNoLabels->setText("Labels");
  } else {
    engine().refresh(Picture1->surface(), Picture3->surface(), Picture2->surface());
    mnNoLabels->setText("No Labels");
  }
}

void Main::mnOptionsClick() {
  if (!options) options = new Options(this, DefaultDirectory, DefaultFontSize, settingsFile, dialogs);
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

  QPainter painter;
  if (copies < 1 || !painter.begin(&printer)) return;
  // The picture keeps its natural size: screen pixels at the screen's resolution.
  const double scale = printer.resolution() / (1440.0 / tpp);
  for (int copy = 1; copy <= copies; ++copy) {
    setPrintEntriesVisible(false);
    const QImage picture = CaptureFormClient(*this);
    const bool drawn = !picture.isNull() && printer.printerState() != QPrinter::Error;
    if (drawn) painter.drawImage(QRectF(0, 0, picture.width() * scale, picture.height() * scale), picture);
    setPrintEntriesVisible(true);
    const bool paged = drawn && (copy == copies || printer.newPage());
    if (!paged || printer.printerState() == QPrinter::Error) {
      const bool aborted = printer.abort();
      painter.end();
      // Qt's PDF engine cannot abort: the partial file must not pass for a finished print.
      if (!aborted && !printer.outputFileName().isEmpty()) QFile::remove(printer.outputFileName());
      return;
    }
  }
  painter.end();
}

void Main::Picture1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, float x, float y) {
  startX = x;
  startY = y;
  isDown = true;
}

void Main::Picture1MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, float x, float y) {
  if (!isDown) return;
  if (!isZoom && isVesk) engine().refresh(Picture1->surface(), Picture3->surface(), Picture2->surface());
  Picture1->surface().Line(startX, startY, x, y, Colour{0}, true);
  endX = x;
  endY = y;
}

void Main::Picture1MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, float, float) { isDown = false; }

}  // namespace vesk
