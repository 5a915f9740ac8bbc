#pragma once

#include "engine/cVesk.h"
#include "surface/QtSurface.h"
#include "view/PointIndex.h"

#include <QPointF>
#include <QString>

#include <optional>
#include <string>

class QLabel;

namespace vesk {

// value as text with as many digits as tell two values unitsPerPixel apart
// (the data span of one pixel; its sign is ignored), and no more than a
// double holds: fixed below 1E+15 and down to 1E-05, the exponent form
// outside. Never "-0". The decimal separator is the user's.
std::string formatCoordinate(double value, double unitsPerPixel);

// "3 data sets, 2,104 points, 1 label": what the drawing shows of a model.
std::string countsText(const GraphModel &model);

// The status bar's text: the point under the pointer, the pointer's data
// coordinates over the graph area, or else the file's name, its counts and
// the latest problem with it.
class StatusReadout {
public:
  // Within this many pixels of a data point, the point is shown.
  static constexpr double nearPixels = 6;

  explicit StatusReadout(QLabel &label);

  // A graph loaded from fileName (a name to show, not a path): its counts and
  // its points are taken now, once; the problem goes.
  void setGraph(const GraphModel &model, const std::string &fileName);
  // Nothing shown any more.
  void clearGraph();
  // Shown after the counts until the next setGraph; "" removes it.
  void setProblem(const std::string &text);
  // The pointer at a pixel of the graph area, whose surface maps it to data.
  void pointerAt(QPointF pixel, const QtSurface &area);
  // The pointer left the graph area.
  void pointerLeft();
  // The pointer's last place, if over the graph area, to show again after a redraw.
  std::optional<QPointF> pointer() const { return lastPointer; }

  QString text() const;

private:
  void show(const std::string &text);
  std::string fileLine() const;

  QLabel &label;
  bool hasGraph = false;
  std::string file, counts, problem;
  PointIndex points;
  std::optional<QPointF> lastPointer;
};

}  // namespace vesk
