// Feeds arbitrary bytes to the loader and draws whatever loads on real surfaces.
// The same bytes are also loaded through the reader of files, handed over in
// pieces of a size taken from the input, which must load exactly alike.
#include "tests/support/PieceSource.h"
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphView.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The application and the view live to the end of the process and are never
// destroyed: globals go after Qt's own statics, and a QGuiApplication destroyed
// then crashes on the way out.
struct Harness {
  Harness(int &argc, char **argv) : app(argc, argv) {}
  QGuiApplication app;
  vesk::GraphView view{QGuiApplication::font(), vesk::SettingsFile("/nonexistent", "/"), 15, Qt::white, Qt::black};
};

Harness *harness = nullptr;

// The model's points and labels and the failure's message, for comparing two loads.
std::string outcome(const vesk::cVesk &engine, const std::string &error) {
  std::string out = error;
  const vesk::GraphModel &g = engine.model();
  out += g.xTitle + '\n' + g.yTitle + '\n';
  for (const vesk::DataSet &s : g.dataSets) {
    if (!s.isLoaded) continue;
    out += std::to_string(s.labelCount) + ' ' + std::to_string(s.pointCount) + ' ' + std::to_string(s.markerStyle);
    for (const vesk::DataPoint &p : s.points) {
      char buffer[80];
      std::snprintf(buffer, sizeof buffer, " %a %a %d", p.x, p.y, int(p.tag));
      out += buffer;
    }
    for (const vesk::TextLabel &l : s.labels) out += '[' + l.text + ']';
    out += '\n';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_FONT_DPI", "96", 0);
  harness = new Harness(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  try {
    harness->view.openData(text);
  } catch (const vesk::LoadError &) {
  }
  if (size == 0) return 0;
  // Compared on engines of their own: a failed Open keeps the view's earlier graph.
  vesk::MainForm &form = vesk::cVeskTestAccess::form(harness->view.engine());
  vesk::QtSurface &picture = harness->view.mainPicture();
  vesk::cVesk whole(form), pieces(form);
  std::string wholeError, pieceError;
  try {
    whole.veskFromData(text, picture);
  } catch (const vesk::LoadError &e) {
    wholeError = e.what();
  }
  vesk::test::PieceSource source(text, 1 + data[0] % 13);
  try {
    vesk::cVeskTestAccess::load(pieces, source, picture);
  } catch (const vesk::LoadError &e) {
    pieceError = e.what();
  }
  if (outcome(pieces, pieceError) != outcome(whole, wholeError)) std::abort();  // the reader of files reads otherwise
  return 0;
}
