// Feeds arbitrary bytes to the loader and draws whatever loads on real surfaces.
#include "view/GraphView.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_FONT_DPI", "96", 0);
  harness = new Harness(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  try {
    harness->view.openData(std::string(reinterpret_cast<const char *>(data), size));
  } catch (const vesk::LoadError &) {
  }
  return 0;
}
