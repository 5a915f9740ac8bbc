#pragma once

#include "surface/InkMap.h"
#include "surface/Surface.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>

#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace vesk {

// A surface drawn into an off-screen image; a widget only shows image().
//
// Pixels follow a raster device model: a user point maps to
// a continuous pixel position (toPixel) and is drawn at the nearest whole pixel,
// so that horizontal and vertical lines and box outlines always cover whole
// pixels. A segment and a box outline cover the pixels of both their ends, so
// that shapes made of segments close and a mark drawn 150 twips across about a
// point spans that point's pixel and 5 more on each side at 15 twips per pixel.
// Slanted lines wider than one pixel and text are antialiased.
//
// With a device pixel ratio r the surface counts in the same twips, user units
// and pixels, but its image has r times the pixels each way (for a screen of
// high density): whole-pixel shapes cover r x r image pixels per pixel, and
// slanted lines, circles and text are drawn at the image's resolution.
// Lines and boxes are written straight into the image; text and circles go
// through a QPainter kept open between calls.
//
// Polyline gives exactly the pixels of Line from point to point, but leaves
// out the segments that would only go over pixels that already hold their
// colour (or lie outside the image), which most segments of a dense line do.
class QtSurface final : public SurfaceState {
public:
  // The size is in twips; twipsPerPixel is the screen's (15 at 96 DPI), and
  // the image has devicePixelRatio times the pixels (a ratio that is not a
  // positive number counts as 1).
  QtSurface(double widthTwips, double heightTwips, double twipsPerPixel, QColor background, QColor foreground,
            QFont font, double devicePixelRatio = 1);
  ~QtSurface() override;
  QtSurface(const QtSurface &) = delete;
  QtSurface &operator=(const QtSurface &) = delete;

  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
            bool box = false) override;
  void Circle(double x, double y, double radius) override;
  void Polyline(const PointRun &points, Colour colour) override;
  std::optional<std::pair<int, int>> wholePixel(double x, double y) const override;
  void Print(const std::string &text) override;

  // What has been drawn so far, at the device pixel ratio; finishes any
  // painting in progress.
  const QImage &image();
  // The size in pixels, whatever the device pixel ratio.
  QSize size() const { return logicalSize; }
  double devicePixelRatio() const { return ratio; }
  double twipsPerPixel() const { return tpp; }
  QColor background() const { return back; }
  // Called after every change of the image, so that a widget can schedule a repaint.
  void setOnChanged(std::function<void()> callback) { onChanged = std::move(callback); }

  // User units to the continuous pixel position within the image; the pixel
  // (i, j) is the one nearest to it.
  QPointF toPixel(double x, double y) const;

  // Puts back a picture taken from image() earlier, as it was then.
  void restore(const QImage &picture);

  void planPolylines(std::vector<PointRun> runs) override;
  void forgetPlans() override;

private:
  // How Line draws a segment between two continuous pixel positions.
  struct Segment {
    enum class Kind { crisp, thin, smooth } kind = Kind::crisp;
    int ax = 0, ay = 0, bx = 0, by = 0;  // whole pixels (crisp, thin)
    QPointF a, b;                        // image positions (smooth)
    QRect bounds;                        // the image pixels it may write, unclipped
  };

  // The surface's system as it stands, to be read on another thread.
  struct Mapping {
    double left, top, scaleWidth, scaleHeight, widthTwips, heightTwips;
    QPointF at(double x, double y, double twipsPerPixel) const {
      return {(x - left) / scaleWidth * (widthTwips / twipsPerPixel),
              (y - top) / scaleHeight * (heightTwips / twipsPerPixel)};
    }
    bool operator==(const Mapping &) const = default;
  };
  Mapping mapping() const;

  // What Polyline draws whole, and the slanted segments it blends afterwards.
  struct PolylinePlan {
    std::vector<QRect> fills;              // image pixels
    std::vector<std::array<int, 4>> thin;  // one-pixel lines, from brushAt
    std::vector<std::size_t> slanted;      // the segments from these points on
    bool drawn = false;                    // something of the whole-pixel part shows
  };
  // Reads nothing that changes, so that it can run on another thread.
  PolylinePlan planPolyline(const PointRun &points, const Mapping &map, int width) const;
  // The plan worked out ahead for these points, if they come next and nothing changed since; else worked out now.
  PolylinePlan plannedFor(const PointRun &points, int width);
  struct Planned {
    std::vector<PointRun> runs;
    Mapping map{};
    int width = 1;
    std::vector<std::future<PolylinePlan>> plans;
    std::size_t next = 0;
    std::atomic<bool> stop{false};
    std::thread worker;
  };
  std::unique_ptr<Planned> planned;

  // Nothing when the segment lies too far out to be drawn.
  std::optional<Segment> plan(QPointF a, QPointF b, int width) const;
  void draw(const Segment &segment, QRgb colour, int width);
  // The ink map when it is kept up to date, else null.
  InkMap *liveMap() { return inkMap.valid() ? &inkMap : nullptr; }
  // What crispLine fills, in pixels.
  static QRect crispRect(int x1, int y1, int x2, int y2, int width);
  // The image pixels crispLine fills.
  QRect crispDeviceRect(int x1, int y1, int x2, int y2, int width) const;
  QRect thinRunRect(bool horizontal, int at, int from, int to) const;
  // Image pixels for a rectangle of pixels.
  QRect deviceRect(const QRect &pixels) const;

  struct FontInfo {
    QFont font;
    double height = 0;                  // pixels from one line to the next
    QHash<QString, QStaticText> texts;  // laid out in this font
  };

  QPainter &painter();
  // The image, ready to be written to directly.
  QImage &pixels();
  FontInfo &printFont();
  const QStaticText &laidOut(FontInfo &font, const std::string &text);
  void usePen(const QColor &colour, int width);
  void crispLine(int x1, int y1, int x2, int y2, QRgb colour, int width);
  // A line one pixel wide along the row (or column) at, from pixel from to
  // pixel to: brushSide() image pixels across wherever it lies, as slanted
  // thin lines and circles are, so that no tick or marker edge comes out one
  // image pixel wide here and two there at a ratio such as 1.5.
  void thinRun(bool horizontal, int at, int from, int to, QRgb colour);
  // The first image pixel of a pixel's span at the device pixel ratio.
  int devicePixel(int pixel) const;
  // Pixels of the thin shapes are squares of this side in the image, placed
  // by brushAt in the middle of their pixel's span.
  int brushSide() const;
  int brushAt(int pixel) const;
  // A continuous pixel position to one in the image.
  QPointF toDevice(QPointF pixel) const;
  // Fills whole pixels, all image pixels of each.
  void fillPixels(int left, int top, int width, int height, QRgb colour);
  void changed();

  double tpp;
  double ratio;
  QColor back;
  QColor fore;
  QSize logicalSize;
  QImage img;
  std::unique_ptr<QPainter> activePainter;
  // The painter's pen and font as last set, so that unchanged state is not set again.
  std::optional<QPen> painterPen;
  const QFont *painterFont = nullptr;

  FontInfo ownFont;
  std::optional<SurfaceFont> cachedFor;
  FontInfo cachedFont;
  std::function<void()> onChanged;
  // The pixels known to hold the colour of the last Polyline.
  InkMap inkMap;
};

}  // namespace vesk
