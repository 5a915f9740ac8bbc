#pragma once

#include "surface/Surface.h"

#include <cmath>
#include <string>

namespace vesk {

class SettingsFile;

// What the graph engine needs of the main window. The window implements it;
// tests stand in for it, so that no dialog ever blocks a test.
class MainForm {
public:
  virtual ~MainForm() = default;

  // Size of UTF-8 text in the window's own font, in twips.
  virtual double TextWidth(const std::string &text) const = 0;
  virtual double TextHeight(const std::string &text) const = 0;
  // Size of UTF-8 text in a font as selected for Print (a face at a pixel
  // height), in twips. Without a measure of its own a window scales its own
  // font's by the heights.
  virtual double FontTextWidth(const std::string &text, const SurfaceFont &font) const {
    return TextWidth(text) * heightRatio(text, font);
  }
  virtual double FontTextHeight(const std::string &text, const SurfaceFont &font) const {
    return TextHeight(text) * heightRatio(text, font);
  }
  // The screen's twips per vertical pixel (15 at 96 DPI).
  virtual double TwipsPerPixelY() const = 0;

  virtual double DefaultFontSize() const = 0;  // points
  virtual bool NoLables() const = 0;

  // The settings file that the open dialog's starting folder comes from.
  virtual const SettingsFile &settings() const = 0;

  // A modal open-file dialog starting in initDir with fileName proposed;
  // returns the full path chosen, or an empty string when cancelled.
  virtual std::string showOpenDialog(const std::string &initDir, const std::string &fileName) = 0;
  // A modal message box with one OK button.
  virtual void messageBox(const std::string &text, const std::string &title) = 0;

private:
  double heightRatio(const std::string &text, const SurfaceFont &font) const {
    const double own = TextHeight(text);
    const double ratio = std::abs(font.height) * TwipsPerPixelY() / own;
    return font.height != 0 && std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
  }
};

}  // namespace vesk
