#include "surface/ColumnReduction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace vesk {

void ColumnReduction::add(QPointF p) {
  if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
    close();
    kept.push_back(p);
    return;
  }
  const double c = std::floor(p.x() / width);
  if (open && c == column) {
    ++lastAt;
    last = p;
    if (p.y() < low.y()) {
      low = p;
      lowAt = lastAt;
    }
    if (p.y() > high.y()) {
      high = p;
      highAt = lastAt;
    }
    return;
  }
  close();
  open = true;
  column = c;
  first = low = high = last = p;
  lowAt = highAt = lastAt = 0;
}

void ColumnReduction::close() {
  if (!open) return;
  open = false;
  kept.push_back(first);
  std::array<std::pair<std::size_t, QPointF>, 3> inner{{{lowAt, low}, {highAt, high}, {lastAt, last}}};
  std::sort(inner.begin(), inner.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  std::size_t previous = 0;
  for (const auto &[at, point] : inner) {
    if (at == previous) continue;
    kept.push_back(point);
    previous = at;
  }
}

const std::vector<QPointF> &ColumnReduction::points() {
  close();
  return kept;
}

}  // namespace vesk
