#include "view/GraphView.h"

#include "surface/PainterSurface.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <cmath>

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
  GraphView &v;
  QFontMetricsF metrics;
};

GraphView::GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel, double devicePixelRatio)
    : GraphView(font, std::move(settings), twipsPerPixel, QGuiApplication::palette().color(QPalette::HighlightedText),
                QGuiApplication::palette().color(QPalette::WindowText), devicePixelRatio) {}

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
      viewForm(std::make_unique<Form>(*this, font)) {
  ratio = graph.devicePixelRatio();
  for (auto [surface, box] : {std::pair{&graph, &layout::graphArea}, std::pair{&yLabels, &layout::yStrip},
                              std::pair{&xLabels, &layout::xStrip}})
    surface->Scale(box->scaleLeft, box->scaleTop, box->scaleRight, box->scaleBottom);
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

MainForm &GraphView::form() { return *viewForm; }

cVesk &GraphView::engine() {
  if (!currentVesk) currentVesk = std::make_unique<cVesk>(*viewForm);
  return *currentVesk;
}

bool GraphView::open() {
  currentVesk = std::make_unique<cVesk>(*viewForm);
  shown = {};
  drawn = {};
  const bool opened = currentVesk->vesk(*viewForm, graph, xLabels, yLabels);
  if (opened) {
    shown = {.kind = Shown::Kind::full, .noLables = NoLables};
    keepDrawn();
  }
  return opened;
}

cVesk &GraphView::fresh() {
  currentVesk = std::make_unique<cVesk>(*viewForm);
  shown = {};
  drawn = {};
  // The surfaces are set up as an Open sets them up before its dialog.
  graph.Cls();
  yLabels.Cls();
  xLabels.Cls();
  graph.setDrawWidth(2);
  yLabels.setDrawWidth(1);
  xLabels.setDrawWidth(1);
  return *currentVesk;
}

void GraphView::openFile(const std::string &path) {
  fresh().veskFromFile(path, graph);
  refresh();
}

void GraphView::openData(const std::string &text) {
  fresh().veskFromData(text, graph);
  refresh();
}

void GraphView::refresh() {
  engine().refresh(graph, xLabels, yLabels);
  shown = {.kind = Shown::Kind::full, .noLables = NoLables};
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
  if (scale == ratio) return compose(graph, xLabels, yLabels, scale);

  QtSurface y(layout::yStrip.width, layout::yStrip.height, tpp, stripBack, inkColour, textFont, scale);
  QtSurface x(layout::xStrip.width, layout::xStrip.height, tpp, stripBack, inkColour, textFont, scale);
  QtSurface g(layout::graphArea.width, layout::graphArea.height, tpp, Qt::white, inkColour, textFont, scale);
  for (auto [copy, live] : {std::pair{&g, &graph}, std::pair{&y, &yLabels}, std::pair{&x, &xLabels}}) {
    copy->Scale(live->ScaleLeft(), live->ScaleTop(), live->ScaleLeft() + live->ScaleWidth(),
                live->ScaleTop() + live->ScaleHeight());
    copy->setDrawWidth(live->DrawWidth());
  }
  if (shown.kind != Shown::Kind::blank && currentVesk) {
    const bool noLables = NoLables;
    NoLables = shown.noLables;
    quiet = true;
    if (shown.kind == Shown::Kind::full)
      currentVesk->refresh(g, x, y);
    else
      currentVesk->zoom(g, y, x, shown.startX, shown.startY, shown.endX, shown.endY, !shown.noLables);
    quiet = false;
    NoLables = noLables;
  }
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

void GraphView::refreshOn(Surface &mainSurface, Surface &xSurface, Surface &ySurface) {
  for (auto [surface, box] : {std::pair{&mainSurface, &layout::graphArea}, std::pair{&ySurface, &layout::yStrip},
                              std::pair{&xSurface, &layout::xStrip}})
    surface->Scale(box->scaleLeft, box->scaleTop, box->scaleRight, box->scaleBottom);
  mainSurface.setDrawWidth(2);
  ySurface.setDrawWidth(1);
  xSurface.setDrawWidth(1);
  engine().refresh(mainSurface, xSurface, ySurface);
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
