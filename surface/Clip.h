#pragma once

#include "surface/Surface.h"

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <cmath>

namespace vesk {

inline bool finite(QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

inline QColor toQColor(Colour c) { return QColor::fromRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// Clips the segment a-b to the window (Liang-Barsky); false when nothing of it
// is left. A clipped end is put on the window's edge and found from the line's
// slope, not as a share of the segment, which would lose the window among the
// digits of ends far out. Ends near the largest double are clipped at half
// scale, so that their difference stays finite.
bool clipSegment(const QRectF &window, QPointF &a, QPointF &b);

}  // namespace vesk
