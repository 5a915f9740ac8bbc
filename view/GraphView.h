#pragma once

#include "engine/MainForm.h"
#include "engine/cVesk.h"
#include "settings/SettingsFile.h"
#include "surface/QtSurface.h"
#include "view/GraphLayout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>

#include <functional>
#include <memory>
#include <string>

namespace vesk {

// The graph as a picture, without a window: the three surfaces at their fixed
// places, the engine that draws on them, and what the engine asks of a window
// (text metrics in the window's font, the label font size, the labels flag).
// The main window shows these surfaces; printing, saving and export take its
// picture. Works with no widget and no display.
class GraphView {
public:
  // font: the window's font, in which text is measured and tick labels print.
  // The surfaces' images have devicePixelRatio times their pixels (the
  // screen's ratio for a window). Colours default to the standard scheme's,
  // whatever the desktop's theme, as the window's font does.
  GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel = 15, double devicePixelRatio = 1);
  GraphView(const QFont &font, SettingsFile settings, double twipsPerPixel, QColor stripBackground, QColor ink,
            double devicePixelRatio = 1);
  ~GraphView();
  GraphView(const GraphView &) = delete;
  GraphView &operator=(const GraphView &) = delete;

  // The standard scheme's highlight text (the strips) and window text (all ink):
  // a dark desktop theme would make the ink vanish on the strips.
  static constexpr QRgb standardStripBackground = 0xFFFFFFFF;
  static constexpr QRgb standardInk = 0xFF000000;

  // The screen's twips per pixel (15 at 96 DPI); 15 without a screen.
  static double screenTwipsPerPixel();
  // The screen's device pixel ratio (2 on a screen of double density); 1 without a screen.
  static double screenDevicePixelRatio();
  // The window's font, Liberation Sans 8 pt whatever the desktop sets: text is
  // measured in it and tick labels print in it.
  static QFont windowFont();

  QtSurface &mainPicture() { return graph; }  // Picture1, the graph area
  QtSurface &xPicture() { return xLabels; }   // Picture3, the x-label strip
  QtSurface &yPicture() { return yLabels; }   // Picture2, the y-label strip
  // Where a surface's top-left corner lies in the client area, in pixels.
  QPoint position(const QtSurface &surface) const;
  QSize clientSize() const;
  QColor stripBackground() const { return stripBack; }

  const SettingsFile &settings() const { return settingsFile; }
  double twipsPerPixel() const { return tpp; }

  // The engine's preferences, read by every redraw.
  double DefaultFontSize = SettingsFile::defaultFontSize;
  bool NoLables = false;
  // The current engine; engine() makes an empty one when there is none.
  std::unique_ptr<cVesk> currentVesk;
  cVesk &engine();

  // What the engine shows through its window: the open dialog (an empty answer
  // cancels) and a message box. Unset, the dialog is cancelled and messages dropped.
  std::function<std::string(const std::string &initDir, const std::string &fileName)> openDialog;
  std::function<void(const std::string &text, const std::string &title)> messageBox;

  // File > Open: the open dialog, then a new engine with the file loaded and
  // its full view. False when the dialog is cancelled; throws LoadError. A
  // cancelled or failed Open changes nothing: the graph, its view and the
  // graph area's coordinates stay as they were.
  bool open();
  // Opens a file as File > Open does once its dialog has given path. Throws
  // LoadError, changing nothing.
  void openFile(const std::string &path);
  // The same without drawing: the surfaces are cleared for the caller's view.
  void loadFile(const std::string &path);
  // Told how far each load from disk has come; false cancels it (LoadCancelled).
  cVesk::Progress loadProgress;
  // The same for a data text in memory, taken exactly as it stands.
  void openData(const std::string &text);
  // The same for the data text on standard input, read to its end.
  void openStandardInput();
  // The full view of the current engine.
  void refresh();
  // The zoomed view of a rectangle in the graph area's data coordinates;
  // the labels follow NoLables as in the full view.
  void zoom(double startX, double startY, double endX, double endY);
  // Puts the graph area back as the last refresh or zoom left it, when that
  // is what drawing the same view again would give (the same engine and
  // preferences): what was drawn on it since, such as a drag's rectangle,
  // goes. False, changing nothing, when the view has to be drawn again.
  bool restoreShown();

  // The client area as the window shows it: the strips' background with the
  // three surfaces at their places, the graph area on top; picture(1).
  QImage picture();
  // The client area at scale times its pixels each way (device pixel ratio
  // 1). At the surfaces' own ratio it is composed from them; at any other
  // scale the view last drawn by open, refresh or zoom is drawn again at that
  // scale rather than enlarged, leaving out what others drew on the surfaces
  // since. A scale outside 0 < scale <= maxPictureScale gives a null image.
  QImage picture(double scale);
  static constexpr double maxPictureScale = 8;

  // Something that is not part of the view (a selection rectangle) was drawn
  // on the graph area: picture() and paint() leave it out by drawing the view
  // again, until the next open, refresh or zoom.
  void markDrawnOver() { drawnOver = true; }
  double devicePixelRatio() const { return ratio; }

  // The view that is shown (full or zoomed, with or without labels) drawn again as paths and text, for
  // vector output, on a device that spans the client area at unitsPerTwip
  // device units per twip: the strips' background, then each surface at its
  // place, clipped to what of it shows in picture().
  void paint(QPainter &painter, double unitsPerTwip);
  // The same with each surface on a device of its own, from its top-left
  // corner, for a format that cannot clip and is put together by its writer.
  void paint(QPainter &graphPainter, QPainter &xPainter, QPainter &yPainter, double unitsPerTwip);

private:
  class Form;
  // What the surfaces show, for picture() to draw it again.
  struct Shown {
    enum class Kind { blank, full, zoomed } kind = Kind::blank;
    bool noLables = false;
    double startX = 0, startY = 0, endX = 0, endY = 0;
  };

  // The one place where surfaces get the view's set-up: each its box's scale
  // from the layout, and with withPens the pen widths of setPens.
  static void setUp(Surface &mainSurface, Surface &xSurface, Surface &ySurface, bool withPens);
  // The pen widths an Open sets: 2 pixels in the graph area, 1 in the strips.
  static void setPens(Surface &mainSurface, Surface &xSurface, Surface &ySurface);
  // Loads into a new engine and, only once that has worked, makes it the
  // current one on cleared surfaces with the pen widths an Open sets.
  void loadWith(const std::function<void(cVesk &engine, Surface &mainPicture)> &load);
  // The same, then the full view.
  void openWith(const std::function<void(cVesk &engine, Surface &mainPicture)> &load);
  // The view that is shown, drawn again on other surfaces whose coordinates and pens are set.
  void drawShownOn(Surface &mainSurface, Surface &xSurface, Surface &ySurface);
  // The view that is shown on surfaces set up as an Open sets up the view's own.
  void refreshOn(Surface &mainSurface, Surface &xSurface, Surface &ySurface);
  QPoint corner(const layout::Box &box) const;
  QImage compose(QtSurface &graphArea, QtSurface &xStrip, QtSurface &yStrip, double scale) const;

  double tpp;
  double ratio;
  QFont textFont;
  QColor stripBack;
  QColor inkColour;
  Shown shown;
  // The graph area as the last refresh or zoom left it, and what it was drawn with.
  struct Drawn {
    QImage graph;
    const cVesk *engine = nullptr;
    bool noLables = false;
    double defaultFontSize = 0;
  } drawn;
  void keepDrawn();
  bool quiet = false;  // messages are dropped while picture() draws again
  bool drawnOver = false;
  SettingsFile settingsFile;
  QtSurface yLabels;
  QtSurface xLabels;
  QtSurface graph;
  // Loading sets the graph area's coordinates; a load that fails must leave
  // the shown graph's, so it loads onto a surface of the same size.
  QtSurface loadSurface;
  std::unique_ptr<Form> viewForm;
};

}  // namespace vesk
