#pragma once

#include "export/cDIBSection.h"
#include "tests/support/Files.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vesk::test {

// Output of a shell command, or "" when it could not run.
inline std::string commandOutput(const std::string &command) {
  std::string output;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) output += chunk;
    pclose(pipe);
  }
  return output;
}

inline std::string quoted(const std::filesystem::path &path) { return "'" + path.string() + "'"; }

// Decodes a JPEG file with djpeg, independently of the code under test.
inline QImage decodeJpeg(const std::filesystem::path &jpeg) {
  const std::filesystem::path ppm = jpeg.string() + ".ppm";
  const std::string command = "djpeg -pnm -outfile " + quoted(ppm) + " " + quoted(jpeg) + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  QImage image(QString::fromStdString(ppm.string()));
  std::filesystem::remove(ppm);
  return image;
}

// Sets a pixel of a DIB by address: x from the left, row from the top of the image.
inline void setDibPixel(cDIBSection &dib, int x, int row, QColor colour) {
  unsigned char *pixel =
      dib.DIBSectionBitsPtr() + std::size_t(dib.Height() - 1 - row) * std::size_t(dib.BytesPerScanLine()) + 3 * x;
  pixel[0] = static_cast<unsigned char>(colour.blue());
  pixel[1] = static_cast<unsigned char>(colour.green());
  pixel[2] = static_cast<unsigned char>(colour.red());
}

// Fills a rectangle clipped to the buffer.
inline void fillDibRect(cDIBSection &dib, int left, int top, int width, int height, QColor colour) {
  for (int row = std::max(top, 0); row < std::min(top + height, dib.Height()); ++row) {
    for (int x = std::max(left, 0); x < std::min(left + width, dib.Width()); ++x) setDibPixel(dib, x, row, colour);
  }
}

// A colour near enough to another after lossy compression.
inline ::testing::AssertionResult colourNear(QColor actual, QColor expected, int tolerance = 40) {
  if (std::abs(actual.red() - expected.red()) <= tolerance &&
      std::abs(actual.green() - expected.green()) <= tolerance &&
      std::abs(actual.blue() - expected.blue()) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "colour " << actual.name().toStdString() << " is not near "
                                       << expected.name().toStdString();
}

// The share of a's dark pixels that have a dark pixel of b within one pixel.
inline double inkFoundNear(const QImage &a, const QImage &b) {
  const auto dark = [](const QImage &image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < 128;
  };
  int ink = 0, found = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (!dark(a, x, y)) continue;
      ++ink;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) near = dark(b, x + dx, y + dy);
      found += near;
    }
  return ink == 0 ? 1.0 : double(found) / ink;
}

// The names in a folder.
inline std::vector<std::string> folderEntries(const std::filesystem::path &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vesk::test
