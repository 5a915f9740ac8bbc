// Drawing big graphs on the window's real surfaces: a full refresh, a pointer
// move of a drag, Zoom and Reset, with the graphs built straight into the
// engine from a seeded generator.
#include "bench/support/BigGraphs.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vesk;
using namespace vesk::bench;

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

// The floor of any drawing that looks at every point: one pass reading each
// point's x and y and rounding them to pixels, as the exact drawing must.
void BM_ReadBigLinesFloor(benchmark::State &state) {
  const GraphModel &m = walks();
  const double kx = 640 / (m.xMax - m.xMin), ky = 406 / (m.yMax - m.yMin);
  for (auto _ : state) {
    long sum = 0;
    for (const DataSet &set : m.dataSets)
      for (const DataPoint &p : set.points) sum += long((p.x - m.xMin) * kx + 0.5) ^ long((p.y - m.yMin) * ky + 0.5);
    benchmark::DoNotOptimize(sum);
  }
}

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
BENCHMARK(BM_ReadBigLinesFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshBigLinesPlain)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RefreshMarkerClouds)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_DragMoveBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ZoomBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ResetBigLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
