#include "view/GraphView.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <cmath>

namespace vesk {

namespace {

int pixels(double twips, double tpp) { return int(std::lround(twips / tpp)); }

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
    if (v.messageBox) v.messageBox(text, title);
  }

private:
  GraphView &v;
  QFontMetricsF metrics;
};

GraphView::GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel)
    : GraphView(font, std::move(settings), twipsPerPixel, QGuiApplication::palette().color(QPalette::HighlightedText),
                QGuiApplication::palette().color(QPalette::WindowText)) {}

GraphView::GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel, QColor stripBackground, QColor ink)
    : tpp(twipsPerPixel),
      stripBack(stripBackground),
      settingsFile(std::move(settings)),
      yLabels(layout::yStrip.width, layout::yStrip.height, tpp, stripBackground, ink, font),
      xLabels(layout::xStrip.width, layout::xStrip.height, tpp, stripBackground, ink, font),
      graph(layout::graphArea.width, layout::graphArea.height, tpp, Qt::white, ink, font),
      viewForm(std::make_unique<Form>(*this, font)) {
  for (auto [surface, box] : {std::pair{&graph, &layout::graphArea}, std::pair{&yLabels, &layout::yStrip},
                              std::pair{&xLabels, &layout::xStrip}})
    surface->Scale(box->scaleLeft, box->scaleTop, box->scaleRight, box->scaleBottom);
}

GraphView::~GraphView() = default;

double GraphView::screenTwipsPerPixel() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen && screen->logicalDotsPerInchY() > 0 ? 1440.0 / screen->logicalDotsPerInchY() : 15.0;
}

QFont GraphView::windowFont() { return QGuiApplication::font(); }

QPoint GraphView::position(const QtSurface &surface) const {
  const layout::Box &box = &surface == &graph     ? layout::graphArea
                           : &surface == &xLabels ? layout::xStrip
                                                  : layout::yStrip;
  return {pixels(box.left, tpp), pixels(box.top, tpp)};
}

QSize GraphView::clientSize() const { return {pixels(layout::clientWidth, tpp), pixels(layout::clientHeight, tpp)}; }

MainForm &GraphView::form() { return *viewForm; }

cVesk &GraphView::engine() {
  if (!currentVesk) currentVesk = std::make_unique<cVesk>(*viewForm);
  return *currentVesk;
}

bool GraphView::open() {
  currentVesk = std::make_unique<cVesk>(*viewForm);
  return currentVesk->vesk(*viewForm, graph, xLabels, yLabels);
}

cVesk &GraphView::fresh() {
  currentVesk = std::make_unique<cVesk>(*viewForm);
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

void GraphView::refresh() { engine().refresh(graph, xLabels, yLabels); }

void GraphView::zoom(double startX, double startY, double endX, double endY) {
  engine().zoom(graph, yLabels, xLabels, startX, startY, endX, endY, !NoLables);
}

QImage GraphView::picture() {
  QImage out(clientSize(), QImage::Format_RGB32);
  out.fill(stripBack);
  QPainter p(&out);
  for (QtSurface *surface : {&yLabels, &xLabels, &graph}) p.drawImage(position(*surface), surface->image());
  return out;
}

}  // namespace vesk
