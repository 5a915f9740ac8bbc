// Writes the benchmarks' data files: vesk_datagen FOLDER [NAME...] [--crlf] [--points]
#include "bench/support/DataGen.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vesk_datagen FOLDER [NAME...] [--crlf] [--points]\n");
    return 2;
  }
  bool crlf = false, points = false;
  std::vector<std::string> names;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--crlf") == 0)
      crlf = true;
    else if (std::strcmp(argv[i], "--points") == 0)
      points = true;
    else
      names.emplace_back(argv[i]);
  }
  if (names.empty())
    for (const auto &f : vesk::bench::dataFiles()) names.push_back(f.name);
  try {
    for (const std::string &name : names)
      std::puts((points ? vesk::bench::writePointsFile(argv[1], name)
                        : vesk::bench::writeDataFile(argv[1], name, crlf))
                    .c_str());
  } catch (const std::exception &e) {
    std::fprintf(stderr, "vesk_datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}
