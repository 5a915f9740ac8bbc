#pragma once

#include "surface/Surface.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>

#include <cmath>

namespace vesk {

// What the Qt surfaces (raster and painter) share.

// Both surfaces clip lines within this many pixels around themselves and leave
// out circles and text further away, so that integer pixel arithmetic and Qt's
// fixed-point rasteriser can never overflow.
inline constexpr double kFar = 100000.0;
// Text larger than this many pixels is drawn at this size.
inline constexpr int kMaxFontPixels = 4096;

inline bool finite(QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }
inline bool near(QPointF p) { return std::abs(p.x()) <= kFar && std::abs(p.y()) <= kFar; }

inline QColor toQColor(Colour c) { return QColor::fromRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// The font a selection stands for: the face at the selected pixel height, or
// at the surface's own font's size when no height is given. Every property is
// set, so that nothing is taken from the application's font.
QFont selectedQFont(const SurfaceFont &selection, const QFont &own);

// Clips the segment a-b to the window (Liang-Barsky); false when nothing of it
// is left. A clipped end is put on the window's edge and found from the line's
// slope, not as a share of the segment, which would lose the window among the
// digits of ends far out. Ends near the largest double are clipped at half
// scale, so that their difference stays finite.
bool clipSegment(const QRectF &window, QPointF &a, QPointF &b);

}  // namespace vesk
