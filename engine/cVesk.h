#pragma once

#include "engine/MainForm.h"
#include "surface/Surface.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk {

struct DataPoint {
  double x = 0;
  double y = 0;
  std::int16_t tag = 0;
};

struct TextLabel {
  std::string text;  // UTF-8
  double x = 0;
  double y = 0;  // as read; drawn one text height higher
  double extra = 0;
  double angle = 0;  // on-screen direction in tenths of a degree
};

struct DataSet {
  std::vector<DataPoint> points;
  std::vector<TextLabel> labels;
  std::int32_t labelCount = 0;
  std::int32_t pointCount = 0;
  std::int16_t markerStyle = 0;
  bool isLoaded = false;
};

// The graph the engine holds. dataSets is empty before the first load and
// holds exactly maxDataSets records after one.
struct GraphModel {
  static constexpr int maxDataSets = 401;
  std::string xTitle;  // UTF-8
  std::string yTitle;
  double xMin = 0;
  double xMax = 0;
  double yMin = 0;
  double yMax = 0;
  std::vector<DataSet> dataSets;
};

// A data text could not be loaded. message() says what was expected, the
// token found, the line it stands on and the item being read, then, where the
// loader can tell, one sentence on how to fix the file. For a file, path()
// names it and what() reads "Cannot load "PATH": message" (or "Cannot read");
// for a text in memory path() is empty and what() is the message.
class LoadError : public std::runtime_error {
public:
  explicit LoadError(const std::string &message) : std::runtime_error(message), text(message) {}
  // quoted false: path names a source that is not a file ("standard input").
  LoadError(const std::string &verb, std::string path, std::string message, bool quoted = true)
      : std::runtime_error(verb + (quoted ? " \"" + path + "\": " : " " + path + ": ") + message),
        file(std::move(path)),
        text(std::move(message)) {}
  const std::string &path() const { return file; }
  const std::string &message() const { return text; }

private:
  std::string file;
  std::string text;
};

// A load was stopped by its progress callback; the engine's model is then empty.
class LoadCancelled : public std::exception {
public:
  const char *what() const noexcept override { return "The load was cancelled."; }
};

class TextSource;
class TokenReader;

// The graph engine: loads a data text into its model and draws it on three surfaces.
class cVesk {
public:
  // 2 GiB: the most a data text may hold.
  static constexpr std::uint64_t maxTextLength = std::uint64_t(1) << 31;
  // Called while a file loads with the share read so far (0 to 1); a false
  // answer stops the load with LoadCancelled. Called on the loading thread.
  using Progress = std::function<bool(double)>;

  explicit cVesk(MainForm &main) : Main(main) {}

  // 0 xMin, 1 xMax, 2 yMin, 3 yMax; anything else 0.
  double minmax(std::int16_t bound) const;
  // Draws the graph for the rectangle from the upper-left corner (startX, startY)
  // to the lower-right corner (endX, endY), in the graph area's data coordinates;
  // on a reversed axis the corner at the screen's left or top holds the larger
  // x or the smaller y, and the zoomed view stays reversed.
  // The text labels are drawn unless withLabels is false; NoLables is not read.
  void zoom(Surface &mainPicture, Surface &yPicture, Surface &xPicture, double startX, double startY, double endX,
            double endY, bool withLabels = true);
  // Clears the three surfaces and draws the full view of the model.
  void refresh(Surface &mainPicture, Surface &xPicture, Surface &yPicture);
  // Lets the user pick a data file, loads and draws it. False when cancelled;
  // throws LoadError (with the file named) when the file cannot be read or loaded.
  bool vesk(MainForm &mainForm, Surface &mainPicture, Surface &xPicture, Surface &yPicture);
  // Loads a data text without drawing. Throws LoadError; the model is then empty.
  void veskFromData(const std::string &fileData, Surface &mainPicture);
  // Reads a data file from disk and loads it without drawing, as Open does
  // once its dialog has given a path. Throws LoadError with the file named.
  void veskFromFile(const std::string &path, Surface &mainPicture);
  // The same for the data text on standard input, read to its end; the
  // messages name it "standard input".
  void veskFromStandardInput(Surface &mainPicture);
  void setProgress(Progress callback) { progress = std::move(callback); }
  // What to do about a text of more than limit characters; what is "file" or "text".
  static std::string tooLongHint(std::uint64_t characters, const char *what, std::uint64_t limit = maxTextLength);

  const GraphModel &model() const { return m; }

  // Draws every segment and every marker one by one, with none of the
  // shortcuts that leave out what would not change the picture; the pictures
  // are the same either way.
  bool plainDrawing = false;

private:
  friend struct cVeskTestAccess;

  std::string readDefaultDirectory();
  void drawText(Surface &picture, std::int32_t escapement, std::int32_t size, const std::string &text, double x,
                double y);
  static void tickStep(std::int16_t lo, std::int16_t hi, double &step, std::int16_t &first);
  void drawMarker(Surface &picture, std::int16_t style, double x, double y);
  // Takes the next token off the front of text (a view that is advanced).
  static std::string_view nextToken(std::string_view &text, bool wholeLine);

  void load(std::string_view text, Surface &mainPicture);
  void load(TextSource &text, Surface &mainPicture);
  void loadFrom(TokenReader &reader, Surface &mainPicture);
  // A file of a text of at most limit characters (maxTextLength but in tests).
  void veskFromFile(const std::string &path, Surface &mainPicture, std::uint64_t limit);

  // A file, or standard input for a path of "", opened as fd: size bytes of a
  // text of at most limit characters.
  void veskFromDescriptor(const std::string &path, int fd, std::uint64_t size, Surface &mainPicture,
                          std::uint64_t limit);
  // Ticks, titles and data sets for the given axis limits, on cleared surfaces
  // (the full view and the zoomed view).
  void drawView(Surface &mainPicture, Surface &xPicture, Surface &yPicture, double xLo, double xHi, double yLo,
                double yHi, bool zoomed, bool withLabels);

  MainForm &Main;
  GraphModel m;
  Progress progress;
};

}  // namespace vesk
