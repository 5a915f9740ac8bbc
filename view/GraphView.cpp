#include "view/GraphView.h"

#include "surface/PainterSurface.h"
#include "surface/QtCommon.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <optional>

namespace vesk {

namespace {

int pixels(double twips, double tpp) { return int(std::lround(twips / tpp)); }

QRectF area(const layout::Box &box, double unitsPerTwip) {
  return {box.left * unitsPerTwip, box.top * unitsPerTwip, box.width * unitsPerTwip, box.height * unitsPerTwip};
}

QPainterPath pathOf(const QRectF &rect) {
  QPainterPath path;
  path.addRect(rect);
  return path;
}

}  // namespace

class GraphView::Form final : public MainForm {
public:
  Form(GraphView &view, const QFont &font) : v(view), metrics(font) {}

  double TextWidth(const std::string &text) const override {
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size()))) * v.tpp;
  }
  double TextHeight(const std::string &) const override { return metrics.height() * v.tpp; }
  double FontTextWidth(const std::string &text, const SurfaceFont &font) const override {
    return metricsOf(font).horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size()))) * v.tpp;
  }
  double FontTextHeight(const std::string &, const SurfaceFont &font) const override {
    return metricsOf(font).height() * v.tpp;
  }
  double TwipsPerPixelY() const override { return v.tpp; }
  double DefaultFontSize() const override { return v.DefaultFontSize; }
  bool NoLables() const override { return v.NoLables; }
  const SettingsFile &settings() const override { return v.settingsFile; }
  std::string showOpenDialog(const std::string &initDir, const std::string &fileName) override {
    return v.openDialog ? v.openDialog(initDir, fileName) : std::string();
  }
  void messageBox(const std::string &text, const std::string &title) override {
    if (v.messageBox && !v.quiet) v.messageBox(text, title);
  }

private:
  // The font a surface prints a selection in; kept for the next call, which
  // is mostly for the same font.
  const QFontMetricsF &metricsOf(const SurfaceFont &font) const {
    if (!selected || selectedFor != font) {
      selected.emplace(selectedQFont(font, v.textFont));
      selectedFor = font;
    }
    return *selected;
  }

  GraphView &v;
  QFontMetricsF metrics;
  mutable std::optional<QFontMetricsF> selected;
  mutable SurfaceFont selectedFor;
};

GraphView::GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel, double devicePixelRatio)
    : GraphView(font, std::move(settings), twipsPerPixel, standardStripBackground, standardInk, devicePixelRatio) {}

GraphView::GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel, QColor stripBackground, QColor ink,
                     double devicePixelRatio)
    : tpp(twipsPerPixel),
      ratio(devicePixelRatio),
      textFont(font),
      stripBack(stripBackground),
      inkColour(ink),
      settingsFile(std::move(settings)),
      yLabels(layout::yStrip.width, layout::yStrip.height, tpp, stripBackground, ink, font, ratio),
      xLabels(layout::xStrip.width, layout::xStrip.height, tpp, stripBackground, ink, font, ratio),
      graph(layout::graphArea.width, layout::graphArea.height, tpp, Qt::white, ink, font, ratio),
      loadSurface(layout::graphArea.width, layout::graphArea.height, tpp, Qt::white, ink, font, 1),
      viewForm(std::make_unique<Form>(*this, font)) {
  ratio = graph.devicePixelRatio();
  setUp(graph, xLabels, yLabels, false);
}

GraphView::~GraphView() = default;

double GraphView::screenTwipsPerPixel() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen && screen->logicalDotsPerInchY() > 0 ? 1440.0 / screen->logicalDotsPerInchY() : 15.0;
}

double GraphView::screenDevicePixelRatio() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen && screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
}

QFont GraphView::windowFont() {
  // The layout's offsets assume an 8-point sans serif of about 6 pixels per
  // digit; Liberation Sans has the metrics of the interface font it was made
  // for. Every property counts as set, so that neither the application's font
  // nor the desktop's theme fills any in.
  QFont font(QStringLiteral("Liberation Sans"), 8, QFont::Normal, false);
  font.setResolveMask(QFont::AllPropertiesResolved);
  return font;
}

QPoint GraphView::position(const QtSurface &surface) const {
  return corner(&surface == &graph ? layout::graphArea : &surface == &xLabels ? layout::xStrip : layout::yStrip);
}

QPoint GraphView::corner(const layout::Box &box) const { return {pixels(box.left, tpp), pixels(box.top, tpp)}; }

QSize GraphView::clientSize() const { return {pixels(layout::clientWidth, tpp), pixels(layout::clientHeight, tpp)}; }

cVesk &GraphView::engine() {
  if (!currentVesk) currentVesk = std::make_unique<cVesk>(*viewForm);
  return *currentVesk;
}

bool GraphView::open() {
  const std::string path = viewForm->showOpenDialog(settingsFile.readDefaultDirectory(), "vesk.dat");
  if (path.empty()) return false;
  openFile(path);
  return true;
}

void GraphView::loadWith(const std::function<void(cVesk &engine, Surface &mainPicture)> &load) {
  auto next = std::make_unique<cVesk>(*viewForm);
  // A surface of its own, so that a failed load leaves the graph area's coordinates as they were.
  loadSurface.Scale(layout::graphArea.scaleLeft, layout::graphArea.scaleTop, layout::graphArea.scaleRight,
                    layout::graphArea.scaleBottom);
  next->setProgress(loadProgress);
  load(*next, loadSurface);
  next->setProgress({});
  currentVesk = std::move(next);
  shown = {};
  drawnOver = false;
  drawn = {};
  graph.Cls();
  yLabels.Cls();
  xLabels.Cls();
  setPens(graph, xLabels, yLabels);
}

void GraphView::openWith(const std::function<void(cVesk &engine, Surface &mainPicture)> &load) {
  loadWith(load);
  refresh();
}

void GraphView::openFile(const std::string &path) {
  openWith([&](cVesk &engine, Surface &mainPicture) { engine.veskFromFile(path, mainPicture); });
}

void GraphView::loadFile(const std::string &path) {
  loadWith([&](cVesk &engine, Surface &mainPicture) { engine.veskFromFile(path, mainPicture); });
}

void GraphView::openData(const std::string &text) {
  openWith([&](cVesk &engine, Surface &mainPicture) { engine.veskFromData(text, mainPicture); });
}

void GraphView::openStandardInput() {
  openWith([&](cVesk &engine, Surface &mainPicture) { engine.veskFromStandardInput(mainPicture); });
}

void GraphView::refresh() {
  engine().refresh(graph, xLabels, yLabels);
  shown = {.kind = Shown::Kind::full, .noLables = NoLables};
  drawnOver = false;
  keepDrawn();
}

void GraphView::zoom(double startX, double startY, double endX, double endY) {
  engine().zoom(graph, yLabels, xLabels, startX, startY, endX, endY, !NoLables);
  shown = {.kind = Shown::Kind::zoomed,
           .noLables = NoLables,
           .startX = startX,
           .startY = startY,
           .endX = endX,
           .endY = endY};
  drawnOver = false;
  keepDrawn();
}

void GraphView::keepDrawn() {
  // Shares the image's pixels until the next drawing on the surface.
  drawn = {
      .graph = graph.image(), .engine = currentVesk.get(), .noLables = NoLables, .defaultFontSize = DefaultFontSize};
}

bool GraphView::restoreShown() {
  if (drawn.graph.isNull() || drawn.engine != currentVesk.get() || drawn.noLables != NoLables ||
      drawn.defaultFontSize != DefaultFontSize)
    return false;
  graph.restore(drawn.graph);
  return true;
}

QImage GraphView::picture() { return picture(1); }

QImage GraphView::picture(double scale) {
  if (!(scale > 0 && scale <= maxPictureScale)) return {};
  if (scale == ratio && !drawnOver) return compose(graph, xLabels, yLabels, scale);

  QtSurface y(layout::yStrip.width, layout::yStrip.height, tpp, stripBack, inkColour, textFont, scale);
  QtSurface x(layout::xStrip.width, layout::xStrip.height, tpp, stripBack, inkColour, textFont, scale);
  QtSurface g(layout::graphArea.width, layout::graphArea.height, tpp, Qt::white, inkColour, textFont, scale);
  // Every view drawn again sets its own scales; the pens are those the view was drawn with.
  setUp(g, x, y, true);
  drawShownOn(g, x, y);
  return compose(g, x, y, scale);
}

QImage GraphView::compose(QtSurface &graphArea, QtSurface &xStrip, QtSurface &yStrip, double scale) const {
  const auto scaled = [scale](int pixels) { return int(std::lround(pixels * scale)); };
  const QSize client = clientSize();
  QImage out(scaled(client.width()), scaled(client.height()), QImage::Format_RGB32);
  out.fill(stripBack);
  QPainter p(&out);
  for (auto [surface, box] : {std::pair{&yStrip, &layout::yStrip}, std::pair{&xStrip, &layout::xStrip},
                              std::pair{&graphArea, &layout::graphArea}}) {
    // Image pixels onto image pixels, whatever ratio each claims.
    QImage pixels = surface->image();
    pixels.setDevicePixelRatio(1);
    const QPoint at = corner(*box);
    p.drawImage(QPoint(scaled(at.x()), scaled(at.y())), pixels);
  }
  return out;
}

void GraphView::drawShownOn(Surface &mainSurface, Surface &xSurface, Surface &ySurface) {
  if (shown.kind == Shown::Kind::blank || !currentVesk) return;
  const bool noLables = NoLables;
  NoLables = shown.noLables;
  quiet = true;
  if (shown.kind == Shown::Kind::full)
    currentVesk->refresh(mainSurface, xSurface, ySurface);
  else
    currentVesk->zoom(mainSurface, ySurface, xSurface, shown.startX, shown.startY, shown.endX, shown.endY,
                      !shown.noLables);
  quiet = false;
  NoLables = noLables;
}

void GraphView::setUp(Surface &mainSurface, Surface &xSurface, Surface &ySurface, bool withPens) {
  for (auto [surface, box] : {std::pair{&mainSurface, &layout::graphArea}, std::pair{&ySurface, &layout::yStrip},
                              std::pair{&xSurface, &layout::xStrip}})
    surface->Scale(box->scaleLeft, box->scaleTop, box->scaleRight, box->scaleBottom);
  if (withPens) setPens(mainSurface, xSurface, ySurface);
}

void GraphView::setPens(Surface &mainSurface, Surface &xSurface, Surface &ySurface) {
  // The pen widths an Open sets before its dialog.
  mainSurface.setDrawWidth(2);
  ySurface.setDrawWidth(1);
  xSurface.setDrawWidth(1);
}

void GraphView::refreshOn(Surface &mainSurface, Surface &xSurface, Surface &ySurface) {
  setUp(mainSurface, xSurface, ySurface, true);
  drawShownOn(mainSurface, xSurface, ySurface);
}

void GraphView::paint(QPainter &painter, double unitsPerTwip) {
  const QRectF graphBox = area(layout::graphArea, unitsPerTwip), xBox = area(layout::xStrip, unitsPerTwip),
               yBox = area(layout::yStrip, unitsPerTwip);
  painter.fillRect(QRectF(0, 0, layout::clientWidth * unitsPerTwip, layout::clientHeight * unitsPerTwip), stripBack);
  // The graph area lies over the strips, as in picture().
  const QPainterPath graphShown = pathOf(graphBox);
  SharedPainter shared(painter);
  PainterSurface y(shared, yBox, pathOf(yBox).subtracted(graphShown), layout::yStrip.width, layout::yStrip.height, tpp,
                   stripBack, inkColour, textFont);
  PainterSurface x(shared, xBox, pathOf(xBox).subtracted(graphShown), layout::xStrip.width, layout::xStrip.height, tpp,
                   stripBack, inkColour, textFont);
  PainterSurface graphSurface(shared, graphBox, graphShown, layout::graphArea.width, layout::graphArea.height, tpp,
                              Qt::white, inkColour, textFont);
  refreshOn(graphSurface, x, y);
  painter.setClipping(false);
}

void GraphView::paint(QPainter &graphPainter, QPainter &xPainter, QPainter &yPainter, double unitsPerTwip) {
  const auto own = [unitsPerTwip](const layout::Box &box) {
    return QRectF(0, 0, box.width * unitsPerTwip, box.height * unitsPerTwip);
  };
  SharedPainter graphShared(graphPainter), xShared(xPainter), yShared(yPainter);
  PainterSurface y(yShared, own(layout::yStrip), pathOf(own(layout::yStrip)), layout::yStrip.width,
                   layout::yStrip.height, tpp, stripBack, inkColour, textFont);
  PainterSurface x(xShared, own(layout::xStrip), pathOf(own(layout::xStrip)), layout::xStrip.width,
                   layout::xStrip.height, tpp, stripBack, inkColour, textFont);
  PainterSurface graphSurface(graphShared, own(layout::graphArea), pathOf(own(layout::graphArea)),
                              layout::graphArea.width, layout::graphArea.height, tpp, Qt::white, inkColour, textFont);
  refreshOn(graphSurface, x, y);
}

}  // namespace vesk
