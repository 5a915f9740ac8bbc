#include "surface/Surface.h"

#include <utility>

namespace vesk {

void Surface::Polyline(const PointRun &points, Colour colour) {
  for (std::size_t k = 0; k + 1 < points.count; ++k)
    Line(points.xAt(k), points.yAt(k), points.xAt(k + 1), points.yAt(k + 1), colour);
}

std::optional<std::pair<int, int>> Surface::wholePixel(double, double) const { return std::nullopt; }

SurfaceState::SurfaceState(double widthTwips, double heightTwips)
    : widthTwips(widthTwips), heightTwips(heightTwips), scaleWidth(widthTwips), scaleHeight(heightTwips) {}

void SurfaceState::Scale(double x1, double y1, double x2, double y2) {
  left = x1;
  top = y1;
  scaleWidth = x2 - x1;
  scaleHeight = y2 - y1;
}

SurfaceFont SurfaceState::SelectFont(const SurfaceFont &newFont) { return std::exchange(font, newFont); }

void SurfaceState::homeTextPosition() {
  currentX = left;
  currentY = top;
}

}  // namespace vesk
