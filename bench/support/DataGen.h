#pragma once

// Big data files for the benchmarks, the same on every run: each generator is
// seeded, and writes its file as it goes so that none is held whole.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::bench {

struct DataFile {
  std::string name;  // also the file's stem
  std::string description;
  std::uint64_t points = 0;
};

// The files, by name: "trace" (one trace of 32,767 points), "walks" (100
// random-walk lines of 32,767 points each, about 84 MB), "clouds" (8 clouds of
// 30,000 markers, every marker shape), "labels" (2,000 points with 3,000
// labels at several angles), "line" (one line of 200,000 points).
const std::vector<DataFile> &dataFiles();

// Writes the named file into folder (made when missing) with LF or CR LF
// line ends and returns its path.
std::string writeDataFile(const std::string &folder, const std::string &name, bool crlf = false);

// The x and y of every point of the named file's line and marker sets, one
// "x y" line each and a blank line between data sets, as gnuplot reads them.
std::string writePointsFile(const std::string &folder, const std::string &name);

}  // namespace vesk::bench
