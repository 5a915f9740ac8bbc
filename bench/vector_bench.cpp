// The vector files of a big graph: the time to write one and its size.
#include "bench/support/BigGraphs.h"
#include "export/Export.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QFileInfo>

namespace {

using namespace vesk;
using namespace vesk::bench;

// The vector files of the big graph: the time to write one and its size.
void exportOf(benchmark::State &state, ExportFormat format, const char *name) {
  BigView big(walks());
  const std::string file = (QDir::tempPath() + "/vesk-draw-bench." + name).toStdString();
  for (auto _ : state) writeExport(big.view, file, format, {});
  state.counters["MB"] = double(QFileInfo(QString::fromStdString(file)).size()) / 1e6;
  QFile::remove(QString::fromStdString(file));
}

void BM_PdfBigLines(benchmark::State &state) { exportOf(state, ExportFormat::Pdf, "pdf"); }
void BM_SvgBigLines(benchmark::State &state) { exportOf(state, ExportFormat::Svg, "svg"); }

BENCHMARK(BM_PdfBigLines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SvgBigLines)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
