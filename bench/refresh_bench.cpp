// Redraw cost of the full view on the window's real surfaces: every pointer
// move of a drag redraws everything.
#include "view/GraphView.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

using namespace vesk;

const std::string crlf = "\r\n";

std::string workedExample() {
  return "Time (s)" + crlf + "Voltage (V)" + crlf + "0 10 -5 5" + crlf + "0 3 0 0" + crlf + "0 0 0" + crlf + "5 4.5 0" +
         crlf + "10 -2 0" + crlf + "1 2 0 3" + crlf + "2 1 0 8 1 0" + crlf + "2 3 0 30 Peak" + crlf;
}

// As many data sets as fit: eight marked points and one angled label each,
// every marker style and a spread of angles.
std::string heaviestFile() {
  std::string text = "Distance (km)" + crlf + "Height (m)" + crlf + "0 100 0 100" + crlf;
  static const int styles[] = {1, 2, 3, 4, 5, 6, 8, 13};
  static const int angles[] = {0, 30, 45, 60, 90, 270, 135, 330};
  for (int set = 0; set < GraphModel::maxDataSets; ++set) {
    std::string block = "1 8 0 " + std::to_string(styles[set % 8]) + crlf;
    for (int k = 0; k < 8; ++k)
      block += std::to_string((set * 7 + k * 13) % 100) + " " + std::to_string((set * 3 + k * 11) % 100) + " 0 ";
    block.pop_back();
    block += crlf + std::to_string(set % 90) + " " + std::to_string((set * 17) % 95) + " 0 " +
             std::to_string(angles[set % 8]) + " Set " + std::to_string(set) + crlf;
    if (text.size() + block.size() > 32767) break;  // the longest file of old
    text += block;
  }
  return text;
}

// One set of 3,000 points joined by lines: a damped wave.
std::string longLineFile() {
  std::string text = "Sample" + crlf + "Signal" + crlf + "0 3000 -100 100" + crlf + "0 3000 0 0" + crlf;
  for (int k = 0; k < 3000; ++k)
    text += std::to_string(k) + " " + std::to_string(std::lround(90 * std::exp(-k / 1500.0) * std::sin(k / 25.0))) +
            " 0" + crlf;
  if (text.size() > 32767) throw std::logic_error("the long line does not fit a data file");
  return text;
}

// ratio: the device pixel ratio of the window's screen (2 on one of double density).
void refreshOf(benchmark::State &state, const std::string &data, double ratio = 1) {
  GraphView view(GraphView::windowFont(), SettingsFile(QDir::tempPath().toStdString(), "/opt/vesk"), 15, ratio);
  view.openData(data);
  for (auto _ : state) {
    view.refresh();
    benchmark::DoNotOptimize(view.mainPicture().image().constBits());
  }
  state.counters["chars"] = double(data.size());
}

void BM_RefreshWorkedExample(benchmark::State &state) { refreshOf(state, workedExample()); }
void BM_RefreshHeaviestFile(benchmark::State &state) { refreshOf(state, heaviestFile()); }
void BM_RefreshLongLine(benchmark::State &state) { refreshOf(state, longLineFile()); }
void BM_RefreshHeaviestFileRatio2(benchmark::State &state) { refreshOf(state, heaviestFile(), 2); }

BENCHMARK(BM_RefreshWorkedExample)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshHeaviestFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshLongLine)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshHeaviestFileRatio2)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
