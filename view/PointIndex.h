#pragma once

#include "engine/cVesk.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vesk {

// The data points of one loaded graph in a k-d tree, so that the point under
// the pointer is found in logarithmic time however many points there are.
// Built once per load; it copies what it needs, so the model may go away.
class PointIndex {
public:
  struct Hit {
    int set = 0;             // index into dataSets, from 0
    std::uint32_t point = 0;  // index into that set's points, from 0
    double x = 0, y = 0;
    std::int16_t tag = 0;
    double pixels = 0;  // distance from the query
  };

  PointIndex() = default;
  // Every point with finite coordinates of the sets that are loaded.
  explicit PointIndex(const GraphModel &model);

  // The point nearest to (x, y) within radius, distances measured on screen:
  // pixelsPerUnitX and pixelsPerUnitY scale the two axes to pixels. Of points
  // at the same distance, the one of the lower set, then the lower point.
  // None when nothing is that near or a scale is not a positive finite number.
  std::optional<Hit> nearest(double x, double y, double pixelsPerUnitX, double pixelsPerUnitY, double radius) const;

  std::size_t size() const { return entries.size(); }

private:
  struct Entry {
    double x, y;
    std::uint32_t point;
    std::int16_t tag;
    std::uint16_t set;
  };
  struct Query;
  // threads: how many may share the work (the caller's among them).
  void build(std::size_t lo, std::size_t hi, bool byX, unsigned threads);
  void search(Query &q, std::size_t lo, std::size_t hi, bool byX) const;

  // In tree order: the median of each range on its axis, the lower half
  // before it and the upper half after it; axes alternate with depth.
  std::vector<Entry> entries;
};

}  // namespace vesk
