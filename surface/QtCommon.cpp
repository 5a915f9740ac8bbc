#include "surface/QtCommon.h"

#include <algorithm>

namespace vesk {

QFont selectedQFont(const SurfaceFont &selection, const QFont &own) {
  QFont font(QString::fromStdString(selection.face));
  if (selection.height != 0)
    font.setPixelSize(std::clamp(std::abs(selection.height), 1, kMaxFontPixels));
  else if (own.pixelSize() > 0)
    font.setPixelSize(own.pixelSize());
  else
    font.setPointSizeF(own.pointSizeF());
  font.setResolveMask(QFont::AllPropertiesResolved);
  return font;
}

bool clipSegment(const QRectF &window, QPointF &a, QPointF &b) {
  const double scale = std::isfinite(b.x() - a.x()) && std::isfinite(b.y() - a.y()) ? 1 : 0.5;
  const QPointF start = a * scale;
  const double left = window.left() * scale, right = window.right() * scale;
  const double top = window.top() * scale, bottom = window.bottom() * scale;
  const double dx = b.x() * scale - start.x(), dy = b.y() * scale - start.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {start.x() - left, right - start.x(), start.y() - top, bottom - start.y()};
  double t0 = 0, t1 = 1;
  int edge0 = -1, edge1 = -1;  // the edge each end was clipped to: left, right, top, bottom
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
    } else {
      const double t = q[i] / p[i];
      if (p[i] < 0 && t > t0) {
        t0 = t;
        edge0 = i;
      } else if (p[i] > 0 && t < t1) {
        t1 = t;
        edge1 = i;
      }
    }
  }
  if (t0 > t1) return false;
  const auto onEdge = [&](int edge) {
    const double at = edge == 0 ? left : edge == 1 ? right : edge == 2 ? top : bottom;
    if (edge < 2) return QPointF(at, start.y() + (at - start.x()) * (dy / dx)) / scale;
    return QPointF(start.x() + (at - start.y()) * (dx / dy), at) / scale;
  };
  if (edge0 >= 0) a = onEdge(edge0);
  if (edge1 >= 0) b = onEdge(edge1);
  return finite(a) && finite(b);
}

}  // namespace vesk
