#pragma once

#include "export/Export.h"

#include <string>

class QWidget;

namespace vesk {

class Dialogs;
class GraphView;

// The types Export... offers, in the order of its save dialog's filters.
struct ExportType {
  const char *description;
  const char *patterns;  // separated by ';'
  ExportFormat format;
};
inline constexpr ExportType exportTypes[] = {
    {"PNG Image", "*.png", ExportFormat::Png},
    {"JPEG Image", "*.jpg;*.jpeg", ExportFormat::Jpeg},
    {"PDF Document", "*.pdf", ExportFormat::Pdf},
    {"SVG Drawing", "*.svg", ExportFormat::Svg},
};

// The whole number of pixels per screen pixel that Export... writes raster
// images at: the screen's device pixel ratio, rounded up, from 1 to 8.
int exportScaleFor(double devicePixelRatio);

// File > Export...: asks for a file in folder, proposing dataFile's name (or
// "vesk" when there is none) with the extension of the first type, and
// writes the view that is shown through the command line's writers. A name
// without a known extension gets that of the type chosen. A failure shows a
// message with the writer's reason; an earlier file of that name survives.
void exportView(GraphView &view, const std::string &dataFile, const std::string &folder, Dialogs &dialogs,
                QWidget *owner);

}  // namespace vesk
