#pragma once

#include "surface/Surface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>
#include <optional>

namespace vesk {

// A surface drawn into an off-screen image; a widget only shows image().
class QtSurface final : public SurfaceState {
public:
  // The size is in twips; twipsPerPixel is the screen's (15 at 96 DPI).
  QtSurface(double widthTwips, double heightTwips, double twipsPerPixel, QColor background, QColor foreground,
            QFont font);
  ~QtSurface() override;
  QtSurface(const QtSurface &) = delete;
  QtSurface &operator=(const QtSurface &) = delete;

  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
            bool box = false) override;
  void Circle(double x, double y, double radius) override;
  void Print(const std::string &text) override;

  // What has been drawn so far; finishes any painting in progress.
  const QImage &image();
  double twipsPerPixel() const { return tpp; }
  QColor background() const { return back; }
  // Called after every change of the image, so that a widget can schedule a repaint.
  void setOnChanged(std::function<void()> callback) { onChanged = std::move(callback); }

  // User units to pixels within the image.
  QPointF toPixel(double x, double y) const;

private:
  QPainter &painter();
  const QFont &printFont();
  void changed();

  double tpp;
  QColor back;
  QColor fore;
  QFont ownFont;
  QImage img;
  std::unique_ptr<QPainter> activePainter;
  std::optional<SurfaceFont> cachedFor;
  QFont cachedFont;
  std::function<void()> onChanged;
};

}  // namespace vesk
