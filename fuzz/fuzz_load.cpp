// Feeds arbitrary bytes to the loader and draws whatever loads on real surfaces.
#include "engine/cVesk.h"
#include "settings/SettingsFile.h"
#include "surface/QtSurface.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

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

std::unique_ptr<QGuiApplication> app;
std::unique_ptr<FuzzForm> form;
std::unique_ptr<vesk::QtSurface> picture1, picture2, picture3;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_FONT_DPI", "96", 0);
  app = std::make_unique<QGuiApplication>(*argc, *argv);
  form = std::make_unique<FuzzForm>();
  const QFont font = QGuiApplication::font();
  picture1 = std::make_unique<vesk::QtSurface>(9600, 6100, 15, Qt::white, Qt::black, font);
  picture2 = std::make_unique<vesk::QtSurface>(1125, 6225, 15, Qt::white, Qt::black, font);
  picture3 = std::make_unique<vesk::QtSurface>(9960, 855, 15, Qt::white, Qt::black, font);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  vesk::cVesk engine(*form);
  picture1->Scale(0, 0, 0.9969, 0.9959);
  picture1->setDrawWidth(2);
  try {
    engine.veskFromData(text, *picture1);
  } catch (const vesk::LoadError &) {
    return 0;
  }
  engine.refresh(*picture1, *picture3, *picture2);
  return 0;
}
