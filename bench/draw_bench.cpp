// Drawing big graphs on the window's real surfaces: a full refresh, a pointer
// move of a drag, Zoom and Reset, with the graphs built straight into the
// engine from a seeded generator.
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphView.h"

#include <benchmark/benchmark.h>
#include <QDir>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>

namespace {

using namespace vesk;

constexpr int kPointsPerLine = 32767;

void fitRange(GraphModel &m) {
  double xLo = std::numeric_limits<double>::infinity(), xHi = -xLo, yLo = xLo, yHi = -xLo;
  for (const DataSet &set : m.dataSets)
    for (const DataPoint &p : set.points) {
      xLo = std::min(xLo, p.x);
      xHi = std::max(xHi, p.x);
      yLo = std::min(yLo, p.y);
      yHi = std::max(yHi, p.y);
    }
  m.xMin = xLo;
  m.xMax = xHi;
  m.yMin = yLo;
  m.yMax = yHi;
}

DataSet &nextSet(GraphModel &m, std::size_t j, std::int16_t marker, std::size_t points) {
  DataSet &set = m.dataSets[j];
  set.isLoaded = true;
  set.markerStyle = marker;
  set.points.reserve(points);
  set.pointCount = static_cast<decltype(set.pointCount)>(points);
  return set;
}

// lines random walks of 32,767 points each over the same samples.
GraphModel randomWalks(int lines) {
  GraphModel m;
  m.xTitle = "Sample";
  m.yTitle = "Level";
  m.dataSets.resize(GraphModel::maxDataSets);
  std::mt19937_64 rng(20261209);
  std::normal_distribution<double> step(0, 1);
  for (int j = 0; j < lines; ++j) {
    DataSet &set = nextSet(m, std::size_t(j), 0, kPointsPerLine);
    double y = 0;
    for (int k = 0; k < kPointsPerLine; ++k) {
      y += step(rng);
      set.points.push_back({double(k), y, 0});
    }
  }
  fitRange(m);
  return m;
}

// Eight clouds of 30,000 markers, each of a different style.
GraphModel markerClouds() {
  GraphModel m;
  m.xTitle = "x";
  m.yTitle = "y";
  m.dataSets.resize(GraphModel::maxDataSets);
  std::mt19937_64 rng(7);
  std::normal_distribution<double> spread(0, 10);
  static const std::int16_t styles[] = {1, 2, 3, 4, 5, 6, 8, 16};
  for (std::size_t j = 0; j < std::size(styles); ++j) {
    DataSet &set = nextSet(m, j, styles[j], 30000);
    const double cx = double(j % 4) * 30, cy = double(j / 4) * 40;
    for (int k = 0; k < 30000; ++k) set.points.push_back({cx + spread(rng), cy + spread(rng), 0});
  }
  fitRange(m);
  return m;
}

struct BigView {
  explicit BigView(GraphModel model, double ratio = 1)
      : view(GraphView::windowFont(), SettingsFile(QDir::tempPath().toStdString(), "/opt/vesk"), 15, ratio) {
    cVeskTestAccess::model(view.engine()) = std::move(model);
    view.mainPicture().setDrawWidth(2);
    view.refresh();
  }
  GraphView view;
};

const GraphModel &walks() {
  static const GraphModel m = randomWalks(100);
  return m;
}

void refreshOf(benchmark::State &state, const GraphModel &model, double ratio, bool plain) {
  BigView big(model, ratio);
  big.view.engine().plainDrawing = plain;
  for (auto _ : state) {
    big.view.refresh();
    benchmark::DoNotOptimize(big.view.mainPicture().image().constBits());
  }
}

void BM_RefreshBigLines(benchmark::State &state) { refreshOf(state, walks(), 1, false); }
void BM_RefreshBigLinesRatio2(benchmark::State &state) { refreshOf(state, walks(), 2, false); }
void BM_RefreshBigLinesPlain(benchmark::State &state) { refreshOf(state, walks(), 1, true); }
void BM_RefreshMarkerClouds(benchmark::State &state) { refreshOf(state, markerClouds(), 1, false); }

// What a pointer move of a drag does in the window: the graph as drawn, then the rectangle.
void BM_DragMoveBigLines(benchmark::State &state) {
  BigView big(walks());
  QtSurface &area = big.view.mainPicture();
  const double x0 = area.ScaleLeft() + area.ScaleWidth() * 0.2, y0 = area.ScaleTop() + area.ScaleHeight() * 0.2;
  int move = 0;
  for (auto _ : state) {
    const double t = 0.3 + 0.4 * (move++ % 100) / 100.0;
    if (!big.view.restoreShown()) big.view.refresh();
    area.Line(x0, y0, area.ScaleLeft() + area.ScaleWidth() * t, area.ScaleTop() + area.ScaleHeight() * t, Colour{0},
              true);
    benchmark::DoNotOptimize(area.image().constBits());
  }
}

// The middle fifth of the samples, over the middle half of the levels.
void zoomIn(GraphView &view) {
  const GraphModel &m = view.engine().model();
  const double w = m.xMax - m.xMin, h = m.yMax - m.yMin;
  view.zoom(m.xMin + 0.4 * w, m.yMax - 0.25 * h, m.xMin + 0.6 * w, m.yMin + 0.25 * h);
}

void BM_ZoomBigLines(benchmark::State &state) {
  BigView big(walks());
  for (auto _ : state) {
    state.PauseTiming();
    big.view.refresh();
    state.ResumeTiming();
    zoomIn(big.view);
    benchmark::DoNotOptimize(big.view.mainPicture().image().constBits());
  }
}

void BM_ResetBigLines(benchmark::State &state) {
  BigView big(walks());
  for (auto _ : state) {
    state.PauseTiming();
    zoomIn(big.view);
    state.ResumeTiming();
    big.view.refresh();
    benchmark::DoNotOptimize(big.view.mainPicture().image().constBits());
  }
}

BENCHMARK(BM_RefreshBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshBigLinesRatio2)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshBigLinesPlain)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RefreshMarkerClouds)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_DragMoveBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ZoomBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ResetBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
