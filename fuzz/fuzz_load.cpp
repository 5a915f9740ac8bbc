// Feeds arbitrary bytes to the loader and draws whatever loads on real surfaces.
#include "engine/cVesk.h"
#include "settings/SettingsFile.h"
#include "surface/QtSurface.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {

class FuzzForm final : public vesk::MainForm {
public:
  FuzzForm() : settingsFile("/nonexistent", "/") {}
  double TextWidth(const std::string &text) const override {
    return QFontMetricsF(font).horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size()))) * 15;
  }
  double TextHeight(const std::string &) const override { return QFontMetricsF(font).height() * 15; }
  double TwipsPerPixelY() const override { return 15; }
  double DefaultFontSize() const override { return 9.0; }
  bool NoLables() const override { return false; }
  const vesk::SettingsFile &settings() const override { return settingsFile; }
  std::string showOpenDialog(const std::string &, const std::string &) override { return {}; }
  void messageBox(const std::string &, const std::string &) override {}

private:
  QFont font = QGuiApplication::font();
  vesk::SettingsFile settingsFile;
};

// The application and the surfaces live to the end of the process and are never
// destroyed: globals go after Qt's own statics, and a QGuiApplication destroyed
// then crashes on the way out.
struct Harness {
  Harness(int &argc, char **argv) : app(argc, argv) {}
  QGuiApplication app;
  FuzzForm form;
  vesk::QtSurface picture1{9600, 6100, 15, Qt::white, Qt::black, QGuiApplication::font()};
  vesk::QtSurface picture2{1125, 6225, 15, Qt::white, Qt::black, QGuiApplication::font()};
  vesk::QtSurface picture3{9960, 855, 15, Qt::white, Qt::black, QGuiApplication::font()};
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
  const std::string text(reinterpret_cast<const char *>(data), size);
  Harness &h = *harness;
  vesk::cVesk engine(h.form);
  h.picture1.Scale(0, 0, 0.9969, 0.9959);
  h.picture1.setDrawWidth(2);
  try {
    engine.veskFromData(text, h.picture1);
  } catch (const vesk::LoadError &) {
    return 0;
  }
  engine.refresh(h.picture1, h.picture3, h.picture2);
  return 0;
}
