// The point under the pointer: building the index once per load, and one
// lookup per pointer move, against a scan of every point.
#include "view/PointIndex.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

// About 3.3 million points in sets of 32,673 (a random walk, as measured data
// tends to be), over x 0..1e4 and y about -1e3..1e3.
const vesk::GraphModel &bigModel() {
  static const vesk::GraphModel model = [] {
    vesk::GraphModel m;
    m.dataSets.resize(vesk::GraphModel::maxDataSets);
    std::mt19937 random(3);
    std::normal_distribution<double> step(0, 1);
    for (int s = 0; s < 101; ++s) {
      vesk::DataSet &set = m.dataSets[std::size_t(s)];
      set.points.resize(32673);
      set.pointCount = 32673;
      set.isLoaded = true;
      double y = 0;
      for (std::size_t k = 0; k < set.points.size(); ++k) {
        y += step(random);
        set.points[k] = {double(k) * 1e4 / 32673, y, std::int16_t(k % 100)};
      }
    }
    return m;
  }();
  return model;
}

void PointIndexBuild(benchmark::State &state) {
  const vesk::GraphModel &m = bigModel();
  for (auto _ : state) {
    vesk::PointIndex index(m);
    benchmark::DoNotOptimize(index.size());
  }
}
BENCHMARK(PointIndexBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

// Pointer positions over the full view of a 640 x 407 graph area.
template <class Find>
void lookups(benchmark::State &state, Find find) {
  std::mt19937 random(4);
  std::uniform_real_distribution<double> x(0, 1e4), y(-1e3, 1e3);
  const double sx = 640 / 1e4, sy = 407 / 2e3;
  for (auto _ : state) benchmark::DoNotOptimize(find(x(random), y(random), sx, sy));
}

void PointIndexNearest(benchmark::State &state) {
  static const vesk::PointIndex index(bigModel());
  lookups(state, [](double x, double y, double sx, double sy) { return index.nearest(x, y, sx, sy, 6).has_value(); });
}
BENCHMARK(PointIndexNearest)->Unit(benchmark::kMicrosecond);

void PointScanNearest(benchmark::State &state) {
  const vesk::GraphModel &m = bigModel();
  lookups(state, [&m](double x, double y, double sx, double sy) {
    double best = 36;
    bool found = false;
    for (const vesk::DataSet &set : m.dataSets) {
      if (!set.isLoaded) break;
      for (const vesk::DataPoint &p : set.points) {
        const double dx = (p.x - x) * sx, dy = (p.y - y) * sy, d = dx * dx + dy * dy;
        if (d < best) {
          best = d;
          found = true;
        }
      }
    }
    return found;
  });
}
BENCHMARK(PointScanNearest)->Unit(benchmark::kMicrosecond);

}  // namespace
