#include "ui/StatusReadout.h"

#include "engine/NumberFormat.h"

#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vesk {

namespace {

// Digits a double holds; more would show noise.
constexpr int maxDigits = 15;

std::string withUserDecimalPoint(std::string text) {
  const std::size_t dot = text.find('.');
  const QString separator = QLocale().decimalPoint();
  if (dot != std::string::npos && !separator.isEmpty() && separator != QLatin1Char('.'))
    text.replace(dot, 1, separator.toStdString());
  return text;
}

std::string counted(std::size_t n, const char *one, const char *many) {
  return groupedThousands(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string formatCoordinate(double value, double unitsPerPixel) {
  const double step = std::abs(unitsPerPixel);
  if (!std::isfinite(value) || !std::isfinite(step) || !(step > 0)) return formatGeneral(value);
  // The decimal place that changes from one pixel to the next.
  const int place = int(std::floor(std::log10(step)));
  const double scale = std::pow(10.0, place);
  const bool zero = std::round(value / scale) == 0;
  int magnitude = zero ? 0 : int(std::floor(std::log10(std::abs(value))));
  // log10 rounds 999999999999999 up to 15.
  if (!zero && std::pow(10.0, magnitude) > std::abs(value)) --magnitude;

  char buffer[64];
  std::to_chars_result written{};
  if (zero || (magnitude >= -5 && magnitude < maxDigits)) {
    const int decimals = zero && place < -10 ? 0 : std::clamp(-place, 0, std::max(0, maxDigits - 1 - magnitude));
    written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  } else {
    const int digits = std::clamp(magnitude - place + 1, 1, maxDigits);
    written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
  }
  std::string text(buffer, written.ptr);
  for (char &c : text)
    if (c == 'e') c = 'E';
  // A value that rounds to zero reads as zero, whichever side it came from.
  const std::size_t mantissaEnd = std::min(text.find('E'), text.size());
  if (text[0] == '-' && text.find_first_of("123456789") >= mantissaEnd) text.erase(0, 1);
  return withUserDecimalPoint(text);
}

std::string countsText(const GraphModel &model) {
  std::size_t sets = 0, points = 0, labels = 0;
  for (std::size_t s = 0; s < std::min<std::size_t>(model.dataSets.size(), GraphModel::maxDataSets); ++s) {
    const DataSet &set = model.dataSets[s];
    if (!set.isLoaded) break;
    ++sets;
    points += std::min<std::size_t>(std::size_t(std::max<int>(set.pointCount, 0)), set.points.size());
    labels += std::min<std::size_t>(std::size_t(std::max<int>(set.labelCount, 0)), set.labels.size());
  }
  return counted(sets, "data set", "data sets") + ", " + counted(points, "point", "points") + ", " +
         counted(labels, "label", "labels");
}

StatusReadout::StatusReadout(QLabel &label) : label(label) {}

void StatusReadout::setGraph(const GraphModel &model, const std::string &fileName) {
  hasGraph = true;
  file = fileName;
  counts = countsText(model);
  problem.clear();
  points = PointIndex(model);
  show(fileLine());
}

void StatusReadout::clearGraph() {
  hasGraph = false;
  file.clear();
  counts.clear();
  problem.clear();
  points = PointIndex();
  show({});
}

void StatusReadout::setProblem(const std::string &text) {
  problem = text;
  // A message of several lines reads as one in the bar.
  std::replace(problem.begin(), problem.end(), '\n', ' ');
  if (!lastPointer) show(fileLine());
}

std::string StatusReadout::fileLine() const {
  if (!hasGraph) return problem;
  std::string line = file + ": " + counts;
  if (!problem.empty()) line += ". " + problem;
  return line;
}

void StatusReadout::pointerAt(QPointF pixel, const QtSurface &area) {
  lastPointer = pixel;
  if (!hasGraph) return;
  const double pixelsWide = area.Width() / area.twipsPerPixel(), pixelsHigh = area.Height() / area.twipsPerPixel();
  const double unitsX = area.ScaleWidth() / pixelsWide, unitsY = area.ScaleHeight() / pixelsHigh;
  const double x = area.ScaleLeft() + pixel.x() * unitsX, y = area.ScaleTop() + pixel.y() * unitsY;
  if (const auto hit = points.nearest(x, y, 1 / std::abs(unitsX), 1 / std::abs(unitsY), nearPixels)) {
    show("set " + std::to_string(hit->set + 1) + ", point " + std::to_string(hit->point + 1) +
         ": x = " + formatGeneral(hit->x) + ", y = " + formatGeneral(hit->y) + ", tag " + std::to_string(hit->tag));
    return;
  }
  show("x = " + formatCoordinate(x, unitsX) + ", y = " + formatCoordinate(y, unitsY));
}

void StatusReadout::pointerLeft() {
  lastPointer.reset();
  show(fileLine());
}

QString StatusReadout::text() const { return label.text(); }

void StatusReadout::show(const std::string &text) {
  const QString shown = QString::fromStdString(text);
  label.setText(shown);
  // The bar may cut a long line; the whole of it is a hover away.
  label.setToolTip(shown);
}

}  // namespace vesk
