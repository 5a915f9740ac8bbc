#pragma once

#include <QMimeData>

#include <memory>

namespace vesk {

class GraphView;

// The MIME type under which vector-aware programs find the drawing.
inline constexpr const char *svgMimeType = "image/svg+xml";

// What Copy Image puts on the clipboard: the view that is shown as an image
// at the screen's pixel ratio, and the same view as an SVG drawing.
std::unique_ptr<QMimeData> imageMimeData(GraphView &view);

// Copy Image: puts imageMimeData on the application's clipboard.
void copyImage(GraphView &view);

}  // namespace vesk
