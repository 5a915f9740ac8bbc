// Loading a data text against a floor: the same text split at spaces and line
// ends with every word converted by std::from_chars and nothing stored.
#include "bench/support/DataGen.h"
#include "engine/cVesk.h"

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace {

// The window as far as loading needs it: fixed text height, no dialogs.
class BenchForm : public vesk::MainForm {
public:
  double TextWidth(const std::string &text) const override { return 105.0 * double(text.size()); }
  double TextHeight(const std::string &) const override { return 195; }
  double TwipsPerPixelY() const override { return 15; }
  double DefaultFontSize() const override { return 9; }
  bool NoLables() const override { return false; }
  const vesk::SettingsFile &settings() const override { std::abort(); }
  std::string showOpenDialog(const std::string &, const std::string &) override { std::abort(); }
  void messageBox(const std::string &, const std::string &) override {}
};

// A surface that keeps its coordinates and draws nothing.
class NullSurface : public vesk::SurfaceState {
public:
  NullSurface() : SurfaceState(7200, 4800) {}
  void Cls() override {}
  void Line(double, double, double, double, std::optional<vesk::Colour>, bool) override {}
  void Circle(double, double, double) override {}
  void Print(const std::string &) override {}
};

std::string number(std::mt19937 &random, double lo, double hi) {
  char buffer[32];
  const double v = std::uniform_real_distribution<double>(lo, hi)(random);
  std::snprintf(buffer, sizeof buffer, "%.3f", v);
  return buffer;
}

// A data text of exactly `size` characters: data sets of 20 points each
// (alternately lines and markers) with three labels, padded by the comment line.
std::string dataText(std::size_t size) {
  std::mt19937 random(7);
  const std::string head = "Time (s)\r\nVoltage (mV)\r\n0 100 -50 50\r\n";
  std::string sets;
  for (int set = 0;; ++set) {
    std::string one = "3 20 0 " + std::to_string(set % 2 == 0 ? 0 : 1 + set % 6) + "\r\n";
    for (int p = 0; p < 20; ++p)
      one += number(random, 0, 100) + " " + number(random, -50, 50) + " " + std::to_string(p) + "\r\n";
    for (int l = 0; l < 3; ++l)
      one += number(random, 0, 100) + " " + number(random, -50, 50) + " 0 " + std::to_string(15 * l) + " Peak " +
             std::to_string(l + 1) + " of set " + std::to_string(set + 1) + "\r\n";
    if (head.size() + sets.size() + one.size() + 40 > size) break;
    sets += one;
  }
  std::string comment = "Measured on the bench; a comment longer than 16 characters";
  comment.resize(size - head.size() - sets.size() - 2, '.');
  return head + comment + "\r\n" + sets;
}

void BM_Load(benchmark::State &state) {
  const std::string text = dataText(std::size_t(state.range(0)));
  BenchForm form;
  NullSurface picture;
  vesk::cVesk engine(form);
  try {
    engine.veskFromData(text, picture);
  } catch (const vesk::LoadError &e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) {
    engine.veskFromData(text, picture);
    benchmark::DoNotOptimize(engine.model().dataSets.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
  state.counters["characters"] = double(text.size());
  state.counters["sets"] = double(std::count_if(engine.model().dataSets.begin(), engine.model().dataSets.end(),
                                                [](const vesk::DataSet &s) { return s.isLoaded; }));
}

void BM_Floor(benchmark::State &state) {
  const std::string text = dataText(std::size_t(state.range(0)));
  for (auto _ : state) {
    double sum = 0;
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
      while (p < end && (*p == ' ' || *p == '\r' || *p == '\n')) ++p;
      const char *word = p;
      while (p < end && *p != ' ' && *p != '\r' && *p != '\n') ++p;
      double v = 0;
      std::from_chars(word, p, v);
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

BENCHMARK(BM_Load)->Arg(8192)->Arg(16384)->Arg(32767);
BENCHMARK(BM_Floor)->Arg(8192)->Arg(16384)->Arg(32767);

// The generated files, written once per run into the temporary folder.
const std::string &dataFile(const std::string &name, bool crlf) {
  static std::map<std::string, std::string> paths;
  const std::string key = name + (crlf ? "-crlf" : "");
  auto found = paths.find(key);
  if (found == paths.end()) {
    const std::string folder = (std::filesystem::temp_directory_path() / "vesk-bench-data").string();
    found = paths.emplace(key, vesk::bench::writeDataFile(folder, name, crlf)).first;
  }
  return found->second;
}

// Loading a file from disk as Open does, into a new engine.
void loadFile(benchmark::State &state, const std::string &name, bool crlf) {
  const std::string &path = dataFile(name, crlf);
  BenchForm form;
  NullSurface picture;
  std::size_t points = 0;
  for (auto _ : state) {
    vesk::cVesk engine(form);
    engine.veskFromFile(path, picture);
    points = 0;
    for (const auto &set : engine.model().dataSets) points += set.points.size();
    benchmark::DoNotOptimize(points);
  }
  // A label, not a counter: the CSV report takes only the counters of its first benchmark.
  state.SetLabel(std::to_string(points) + " points");
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(std::filesystem::file_size(path)));
}

// The floor: the same file read a buffer at a time, split at spaces and line
// ends, every word converted by std::from_chars, in one pass; nothing kept.
void floorFile(benchmark::State &state, const std::string &name, bool crlf) {
  const std::string &path = dataFile(name, crlf);
  constexpr std::size_t size = std::size_t(1) << 20;
  std::unique_ptr<char[]> buffer(new char[size]);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    double sum = 0;
    std::size_t kept = 0;
    for (;;) {
      const ssize_t n = ::read(fd, buffer.get() + kept, size - kept);
      const char *p = buffer.get();
      const char *end = p + kept + std::size_t(n > 0 ? n : 0);
      const char *word = p;
      while (p < end) {
        while (p < end && (*p == ' ' || *p == '\r' || *p == '\n')) ++p;
        word = p;
        while (p < end && *p != ' ' && *p != '\r' && *p != '\n') ++p;
        if (p == end && n > 0) break;  // the word may go on in the next buffer
        double v = 0;
        std::from_chars(word, p, v);
        sum += v;
      }
      if (n <= 0) break;
      kept = std::size_t(end - word);
      std::memmove(buffer.get(), word, kept);
    }
    ::close(fd);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(std::filesystem::file_size(path)));
}

void BM_LoadFile(benchmark::State &state, const char *name, bool crlf) { loadFile(state, name, crlf); }
void BM_FloorFile(benchmark::State &state, const char *name, bool crlf) { floorFile(state, name, crlf); }

// Each file with LF line ends, as written on Linux, and the 84 MB one with CR LF too.
BENCHMARK_CAPTURE(BM_LoadFile, walks, "walks", false)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_FloorFile, walks, "walks", false)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LoadFile, walks_crlf, "walks", true)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_FloorFile, walks_crlf, "walks", true)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_LoadFile, trace, "trace", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FloorFile, trace, "trace", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadFile, clouds, "clouds", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FloorFile, clouds, "clouds", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadFile, labels, "labels", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FloorFile, labels, "labels", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadFile, line, "line", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FloorFile, line, "line", false)->Unit(benchmark::kMillisecond);

}  // namespace
