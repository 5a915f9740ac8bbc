#pragma once

#include "engine/MainForm.h"
#include "settings/SettingsFile.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::test {

// A temporary folder removed with everything in it when the object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::filesystem::path &path() const { return dir; }

private:
  std::filesystem::path dir;
};

// Stands in for the main window: fixed text metrics, settable preferences,
// and dialogs answered from a script instead of shown.
class FakeMainForm : public MainForm {
public:
  FakeMainForm();

  // Each character is charWidth twips wide; every text is textHeight twips high.
  double charWidth = 105;
  double textHeight = 195;
  double defaultFontSize = 9.0;
  bool noLables = false;

  double TextWidth(const std::string &text) const override { return charWidth * double(text.size()); }
  double TextHeight(const std::string &) const override { return textHeight; }
  // In a selected font of h pixels each character is h * 10 twips wide and
  // every text h * 17 twips high: at 9 points (12 pixels) a little larger
  // than the window's font, so that a text measured in the wrong one shows.
  double FontTextWidth(const std::string &text, const SurfaceFont &font) const override {
    return std::abs(font.height) * 10.0 * double(text.size());
  }
  double FontTextHeight(const std::string &, const SurfaceFont &font) const override {
    return std::abs(font.height) * 17.0;
  }
  double TwipsPerPixelY() const override { return 15; }
  double DefaultFontSize() const override { return defaultFontSize; }
  bool NoLables() const override { return noLables; }
  const SettingsFile &settings() const override { return settingsFile; }

  // The answer of the next open dialog ("" cancels); every call is logged.
  std::string openAnswer;
  struct OpenCall {
    std::string initDir, fileName;
  };
  std::vector<OpenCall> openCalls;
  std::string showOpenDialog(const std::string &initDir, const std::string &fileName) override;

  struct Message {
    std::string text, title;
  };
  std::vector<Message> messages;
  void messageBox(const std::string &text, const std::string &title) override;

  TempDir configDir;
  SettingsFile settingsFile;
};

// A file in the source tree (tests/data, examples).
std::filesystem::path sourcePath(const std::string &relative);

}  // namespace vesk::test
