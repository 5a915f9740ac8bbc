#pragma once

#include "files/WriteError.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

class GraphView;

// The files the command line exports to: raster images of the client area, or
// vector drawings of it.
enum class ExportFormat { Png, Jpeg, Pdf, Svg };

// The format a file name's extension names, case-insensitive: .png, .jpg,
// .jpeg, .pdf, .svg; none for any other.
std::optional<ExportFormat> exportFormatOfFile(const std::string &fileName);
// The format a name names, case-insensitive: png, jpg, jpeg, pdf, svg.
std::optional<ExportFormat> exportFormatNamed(const std::string &name);
// The extension a batch export gives its files, without the dot.
std::string extensionOf(ExportFormat format);

struct ExportSettings {
  int quality = 90;  // JPEG, 1 to 100
  int scale = 1;     // raster formats: times the client area's pixels, 1 to 8
};

// An output could not be made (an image that would not encode).
class ExportError : public FileWriteError {
public:
  explicit ExportError(const std::string &reason, const std::string &fileName = {})
      : FileWriteError(fileName.empty() ? reason : reason + ": " + fileName, reason, fileName, 0) {}
};

// Writes what the view shows to fileName (UTF-8) in the format. The file is
// replaced whole or not at all: an earlier file of that name survives any
// failure. Throws FileWriteError (JpegError and ExportError among them).
void writeExport(GraphView &view, const std::string &fileName, ExportFormat format, const ExportSettings &settings);

// The SVG document that writeExport writes for the view, titled title.
std::string svgDocument(GraphView &view, const std::string &title);

// One data file and the file it is exported to.
struct ExportItem {
  std::string input;
  std::string output;
  ExportFormat format = ExportFormat::Png;
};

// Opens each input in the view as File > Open does, with the label font size
// of the view's settings file (read, never written), and writes its output,
// going on after one that fails. Each failure is one line for the user,
// "vesk: FILE: message", FILE being the data file for a load error and the
// output otherwise. Returns the exit status: 0 when all were written, else 1.
int runExport(GraphView &view, const std::vector<ExportItem> &items, const ExportSettings &settings,
              const std::function<void(const std::string &line)> &reportError);

}  // namespace vesk
