#pragma once

#include "surface/Surface.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <optional>

namespace vesk {

// A painter that several PainterSurfaces draw through, each clipped to its own
// part of the device; it remembers whose clip is set, so that a surface sets
// its clip only when it takes the painter over.
struct SharedPainter {
  explicit SharedPainter(QPainter &painter) : painter(painter) {}
  QPainter &painter;
  const void *clipOwner = nullptr;
};

// A surface that paints through a QPainter on any device (a PDF or SVG writer,
// an image) as paths and text rather than pixels, so that the engine's same
// calls that fill a QtSurface give a drawing of any resolution.
//
// It follows QtSurface's geometry without its pixel snapping: a user point lies
// at the centre of the pixel QtSurface paints for it, text has its top-left
// corner at the text position, pen widths and font heights count in the
// screen's pixels, and lines are clipped to a window around the surface before
// they reach the painter, so that far coordinates never do.
class PainterSurface final : public SurfaceState {
public:
  // box: where the surface lies on the device, in device units, spanning
  // widthTwips x heightTwips. visible: the part of the device it may paint,
  // its box less any surface lying over it. twipsPerPixel: the screen's.
  // font: the surface's own font, as QtSurface takes it.
  PainterSurface(SharedPainter &shared, QRectF box, QPainterPath visible, double widthTwips, double heightTwips,
                 double twipsPerPixel, QColor background, QColor foreground, QFont font);
  PainterSurface(const PainterSurface &) = delete;
  PainterSurface &operator=(const PainterSurface &) = delete;

  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
            bool box = false) override;
  void Circle(double x, double y, double radius) override;
  // One path for the whole line, reduced to what shows at the screen's
  // resolution (see ColumnReduction), so that a line of millions of points
  // stays small; with a one-pixel pen, segment by segment as Line draws them.
  void Polyline(const PointRun &points, Colour colour) override;
  void Print(const std::string &text) override;

private:
  struct FontInfo {
    QFont device;           // at its size on the device
    double ascent = 0;      // device units
    double lineHeight = 0;  // screen pixels from one line to the next
  };

  // User units to the screen pixel position within the surface, as QtSurface maps them.
  QPointF toPixel(double x, double y) const;
  QPointF toDevice(QPointF pixel) const;
  QPainter &painter();
  FontInfo makeFont(const QFont &screen) const;
  const FontInfo &printFont();
  QPen pen(QColor colour) const;
  // The window lines are clipped to, in pixels.
  QRectF clipWindow() const;

  SharedPainter &shared;
  QRectF area;
  QPainterPath shown;
  double tpp;
  double perPixel;
  QColor back;
  QColor fore;
  QFont screenFont;
  FontInfo ownFont;
  std::optional<SurfaceFont> cachedFor;
  FontInfo cachedFont;
};

}  // namespace vesk
