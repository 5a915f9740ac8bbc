#pragma once

#include "engine/MainForm.h"
#include "engine/Ticks.h"
#include "surface/Surface.h"

#include <cstdint>
#include <string>

namespace vesk {

// Where the axes' text goes, in twips, as the window's layout has it.
namespace placement {
constexpr double yLabelLeft = 650;        // a y tick label's left edge, from the strip's right edge
constexpr double yLabelLeftZoomed = 620;  // the same in the zoomed view
constexpr double yLabelRaise = 75;        // a y tick label's top, above its tick
constexpr double xLabelTop = 200;         // an x tick label's top, from the strip's top
constexpr double xTitleRaise = 380;       // the x title's top, above the strip's bottom
constexpr double yTitleEdge = 300;        // the y title's edge, from the strip's left edge
constexpr std::int32_t upward = 900;      // the y title's escapement: upward text
}  // namespace placement

// What the y labels leave to the y title.
struct YLabels {
  double inkLeft;         // where the widest label's ink starts, in twips
  std::string titleTerm;  // labels written from an offset: the title's " - 1E+14"; else empty
};

// The y ticks and labels on a strip set up at the graph area's scale, counting
// down from yHi, the label of each starting labelOffset twips left of the strip's right
// edge unless it is too wide for that. clearOf is the least x a label's ink
// may start at (right of the y title). Labels that cannot stay clear of it in
// the general or the exponent form are written as differences from a round
// value that the title names, where the axis does not cross zero; a label
// that still does not fit ends as far right as it can and starts no further
// left than 0.
YLabels drawYTicks(const MainForm &main, Surface &yPicture, const AxisTicks &ticks, double yLo, double yHi,
                   double graphHeight, double labelOffset, double clearOf);

// The y title to draw over those labels: the data file's, with the offset the
// labels count from ("Counter - 1E+14"; "y - 1E+14" for an untitled axis).
std::string yTitleWith(const std::string &yTitle, const YLabels &labels);

// The x ticks and labels on a strip set up at the graph area's scale, counting
// from xLo at the graph area's left edge, 240 twips into the strip.
void drawXTicks(const MainForm &main, Surface &xPicture, const AxisTicks &ticks, double xLo, double xHi,
                double graphWidth);

// The y title's width (the upward text's height) in the label font: labels
// stay this far and a little more from the window's edge.
double yTitleRoom(const MainForm &main, const std::string &yTitle, std::int32_t size);

// Both titles in the label font of size points, centred on the graph area and
// whole where they fit, on strips that count in twips; the y title clear of
// y labels whose ink starts at yLabelsLeft as far as the window's edge allows.
void drawTitles(const MainForm &main, Surface &yPicture, Surface &xPicture, const std::string &yTitle,
                const std::string &xTitle, std::int32_t size, double yLabelsLeft, double graphWidth,
                double graphHeight);

}  // namespace vesk
