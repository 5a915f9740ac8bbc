#pragma once

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
};

}  // namespace vesk
