#include "bench/support/DataGen.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>

namespace vesk::bench {

namespace {

// Buffered writing of numbers and text to a file.
class Writer {
public:
  Writer(const std::string &path, bool crlf) : file(std::fopen(path.c_str(), "wb")), crlf(crlf) {
    if (!file) throw std::runtime_error("cannot write " + path);
  }
  ~Writer() {
    flush();
    std::fclose(file);
  }
  Writer(const Writer &) = delete;
  Writer &operator=(const Writer &) = delete;

  Writer &text(const std::string &s) {
    for (char c : s) put(c);
    return *this;
  }
  Writer &number(double v, int decimals) {
    room(64);
    const auto r = std::to_chars(buffer + used, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    used = std::size_t(r.ptr - buffer);
    return *this;
  }
  Writer &whole(long long v) {
    room(32);
    const auto r = std::to_chars(buffer + used, buffer + sizeof buffer, v);
    used = std::size_t(r.ptr - buffer);
    return *this;
  }
  Writer &space() {
    put(' ');
    return *this;
  }
  Writer &end() {
    if (crlf) put('\r');
    put('\n');
    return *this;
  }

private:
  void put(char c) {
    room(1);
    buffer[used++] = c;
  }
  void room(std::size_t n) {
    if (used + n > sizeof buffer) flush();
  }
  void flush() {
    std::fwrite(buffer, 1, used, file);
    used = 0;
  }

  std::FILE *file;
  bool crlf;
  char buffer[1 << 16];
  std::size_t used = 0;
};

// Each file's sets: (writer, and whether to write points only, for gnuplot).
using Generator = std::function<void(Writer &, bool pointsOnly)>;

void head(Writer &w, bool pointsOnly, const char *x, const char *y, const char *limits) {
  if (!pointsOnly) w.text(x).end().text(y).end().text(limits).end();
}

void header(Writer &w, bool pointsOnly, long long labels, long long points, int style) {
  if (pointsOnly) return;
  w.whole(labels).space().whole(points).space().whole(0).space().whole(style).end();
}

void point(Writer &w, bool pointsOnly, double x, int xDecimals, double y, int yDecimals, int tag) {
  w.number(x, xDecimals).space().number(y, yDecimals);
  if (!pointsOnly) w.space().whole(tag);
  w.end();
}

void setEnd(Writer &w, bool pointsOnly) {
  if (pointsOnly) w.end().end();
}

void trace(Writer &w, bool pointsOnly) {
  std::mt19937_64 random(1);
  std::normal_distribution<double> noise(0, 0.05);
  head(w, pointsOnly, "Time (ms)", "Signal (V)", "0 32.767 -2 2");
  header(w, pointsOnly, 0, 32767, 0);
  for (int i = 0; i < 32767; ++i)
    point(w, pointsOnly, i * 0.001, 3, std::sin(i * 0.002) + noise(random), 6, 0);
}

void walks(Writer &w, bool pointsOnly) {
  std::mt19937_64 random(2);
  std::normal_distribution<double> step(0, 0.4);
  head(w, pointsOnly, "Distance (m)", "Height (m)", "0 1000 -400 400");
  for (int line = 0; line < 100; ++line) {
    header(w, pointsOnly, 0, 32767, 0);
    double y = line * 4 - 200;
    for (int i = 0; i < 32767; ++i) {
      y += step(random);
      point(w, pointsOnly, i * (1000.0 / 32766), 5, y, 7, line);
    }
    setEnd(w, pointsOnly);
  }
}

void clouds(Writer &w, bool pointsOnly) {
  std::mt19937_64 random(3);
  static const int styles[] = {1, 2, 3, 4, 5, 6, 8, 13};
  head(w, pointsOnly, "x", "y", "-10 10 -10 10");
  for (int cloud = 0; cloud < 8; ++cloud) {
    std::normal_distribution<double> x(-7 + 2 * cloud, 1.5), y(cloud % 2 ? 3 : -3, 2);
    header(w, pointsOnly, 0, 30000, styles[cloud]);
    for (int i = 0; i < 30000; ++i) point(w, pointsOnly, x(random), 5, y(random), 5, cloud);
    setEnd(w, pointsOnly);
  }
}

void labels(Writer &w, bool pointsOnly) {
  std::mt19937_64 random(4);
  std::uniform_real_distribution<double> at(0, 100);
  static const int angles[] = {0, 15, 30, 45, 90, 180, 270, 330};
  head(w, pointsOnly, "Position", "Value", "0 100 0 100");
  header(w, pointsOnly, 3000, 2000, 5);
  for (int i = 0; i < 2000; ++i) point(w, pointsOnly, at(random), 3, at(random), 3, i % 100);
  if (pointsOnly) return;
  for (int i = 0; i < 3000; ++i)
    w.number(at(random), 3).space().number(at(random), 3).space().whole(0).space().whole(angles[i % 8])
        .text(" Label ").whole(i).end();
}

void line(Writer &w, bool pointsOnly) {
  std::mt19937_64 random(5);
  std::normal_distribution<double> noise(0, 1);
  head(w, pointsOnly, "Sample", "Amplitude", "0 200000 -150 150");
  header(w, pointsOnly, 0, 200000, 0);
  for (int i = 0; i < 200000; ++i)
    point(w, pointsOnly, i, 0, 100 * std::sin(i / 5000.0) * std::exp(-i / 150000.0) + noise(random), 4, 0);
}

const Generator &generator(const std::string &name) {
  static const std::pair<const char *, Generator> all[] = {
      {"trace", trace}, {"walks", walks}, {"clouds", clouds}, {"labels", labels}, {"line", line}};
  for (const auto &[n, g] : all)
    if (name == n) return g;
  throw std::invalid_argument("no data file named " + name);
}

std::string write(const std::string &folder, const std::string &file, const std::string &name, bool crlf,
                  bool pointsOnly) {
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/" + file;
  const std::string part = path + ".part";
  {
    Writer w(part, crlf);
    generator(name)(w, pointsOnly);
  }
  std::filesystem::rename(part, path);
  return path;
}

}  // namespace

const std::vector<DataFile> &dataFiles() {
  static const std::vector<DataFile> files = {
      {"trace", "one trace of 32,767 points", 32767},
      {"walks", "100 random-walk lines of 32,767 points", 3276700},
      {"clouds", "8 clouds of 30,000 markers", 240000},
      {"labels", "2,000 points and 3,000 labels", 2000},
      {"line", "one line of 200,000 points", 200000},
  };
  return files;
}

std::string writeDataFile(const std::string &folder, const std::string &name, bool crlf) {
  return write(folder, name + (crlf ? "-crlf" : "") + ".dat", name, crlf, false);
}

std::string writePointsFile(const std::string &folder, const std::string &name) {
  return write(folder, name + ".pts", name, false, true);
}

}  // namespace vesk::bench
