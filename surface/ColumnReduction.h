#pragma once

#include <QPointF>

#include <vector>

namespace vesk {

// A polyline reduced for drawing at a given column width: of each run of
// consecutive points within one column it keeps the first, the lowest, the
// highest and the last, in their order (the M4 aggregation), so that drawn at
// that resolution it covers the same columns from the same lowest to the same
// highest point and joins its neighbours at the same points. A point that is
// not finite is kept where it stands, so that the line still breaks there.
class ColumnReduction {
public:
  explicit ColumnReduction(double columnWidth) : width(columnWidth > 0 ? columnWidth : 1) {}

  void add(QPointF p);
  // The points kept; add no more after this.
  const std::vector<QPointF> &points();

private:
  void close();

  double width;
  std::vector<QPointF> kept;
  // The run being gathered: its column and the points kept of it so far.
  bool open = false;
  double column = 0;
  QPointF first, low, high, last;
  std::size_t lowAt = 0, highAt = 0, lastAt = 0;  // the order they came in
};

}  // namespace vesk
