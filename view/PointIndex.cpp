#include "view/PointIndex.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace vesk {

namespace {
// Ranges this small are scanned rather than split.
constexpr std::size_t leafSize = 8;
// Ranges this big are worth a thread of their own.
constexpr std::size_t parallelSize = 1 << 16;
}  // namespace

struct PointIndex::Query {
  double x, y, sx, sy;
  double best;  // squared distance in pixels of the best so far (the radius at first)
  const Entry *hit = nullptr;

  void consider(const Entry &e) {
    const double dx = (e.x - x) * sx, dy = (e.y - y) * sy;
    const double d = dx * dx + dy * dy;
    if (d < best || (d == best && (!hit || e.set < hit->set || (e.set == hit->set && e.point < hit->point)))) {
      best = d;
      hit = &e;
    }
  }
};

PointIndex::PointIndex(const GraphModel &model) {
  std::size_t total = 0;
  for (const DataSet &set : model.dataSets) {
    if (!set.isLoaded) break;
    total += set.points.size();
  }
  entries.reserve(total);
  const std::size_t sets = std::min<std::size_t>(model.dataSets.size(), GraphModel::maxDataSets);
  for (std::size_t s = 0; s < sets; ++s) {
    const DataSet &set = model.dataSets[s];
    if (!set.isLoaded) break;
    // Only the points the drawing shows.
    const std::size_t points = std::min<std::size_t>(std::size_t(std::max<int>(set.pointCount, 0)), set.points.size());
    for (std::size_t k = 0; k < points; ++k) {
      const DataPoint &p = set.points[k];
      if (std::isfinite(p.x) && std::isfinite(p.y))
        entries.push_back({p.x, p.y, std::uint32_t(k), p.tag, std::uint16_t(s)});
    }
  }
  build(0, entries.size(), true, std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

void PointIndex::build(std::size_t lo, std::size_t hi, bool byX, unsigned threads) {
  // Iterating on the upper half keeps the recursion as deep as the tree, not as the data.
  while (hi - lo > leafSize) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const auto first = entries.begin() + std::ptrdiff_t(lo);
    const auto middle = entries.begin() + std::ptrdiff_t(mid), last = entries.begin() + std::ptrdiff_t(hi);
    if (byX)
      std::nth_element(first, middle, last, [](const Entry &a, const Entry &b) { return a.x < b.x; });
    else
      std::nth_element(first, middle, last, [](const Entry &a, const Entry &b) { return a.y < b.y; });
    // The halves share no entries: those of a big range are built side by side, into
    // the same tree as one after the other.
    if (threads > 1 && hi - lo > parallelSize) {
      try {
        std::thread lower([this, lo, mid, byX, threads] { build(lo, mid, !byX, threads / 2); });
        build(mid + 1, hi, !byX, threads - threads / 2);
        lower.join();
        return;
      } catch (const std::system_error &) {
        // No thread to be had: on alone.
      }
    }
    build(lo, mid, !byX, 1);
    lo = mid + 1;
    byX = !byX;
  }
}

void PointIndex::search(Query &q, std::size_t lo, std::size_t hi, bool byX) const {
  while (hi - lo > leafSize) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const Entry &m = entries[mid];
    q.consider(m);
    const double gap = ((byX ? q.x - m.x : q.y - m.y)) * (byX ? q.sx : q.sy);
    // The side the query lies on first; the other only when it can hold a point
    // as near (equal distances count, for the order among ties).
    const bool lower = gap < 0;
    if (lower)
      search(q, lo, mid, !byX);
    else
      search(q, mid + 1, hi, !byX);
    if (gap * gap > q.best) return;
    if (lower)
      lo = mid + 1;
    else
      hi = mid;
    byX = !byX;
  }
  for (std::size_t i = lo; i < hi; ++i) q.consider(entries[i]);
}

std::optional<PointIndex::Hit> PointIndex::nearest(double x, double y, double pixelsPerUnitX, double pixelsPerUnitY,
                                                   double radius) const {
  const auto positive = [](double v) { return std::isfinite(v) && v > 0; };
  if (!positive(pixelsPerUnitX) || !positive(pixelsPerUnitY) || !std::isfinite(x) || !std::isfinite(y) ||
      !(radius >= 0) || entries.empty())
    return std::nullopt;
  Query q{x, y, pixelsPerUnitX, pixelsPerUnitY, radius * radius};
  search(q, 0, entries.size(), true);
  if (!q.hit) return std::nullopt;
  return Hit{q.hit->set, q.hit->point, q.hit->x, q.hit->y, q.hit->tag, std::sqrt(q.best)};
}

}  // namespace vesk
