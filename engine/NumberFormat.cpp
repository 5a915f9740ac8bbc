#include "engine/NumberFormat.h"

#include <QLocale>
#include <QString>

#include <charconv>
#include <cmath>

namespace vesk {

namespace {

// %.15G in the "C" locale, whatever locale the process runs in.
std::string formatC(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  if (v == 0) return "0";  // also for negative zero
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char &c : text)
    if (c == 'e') c = 'E';
  return text;
}

}  // namespace

std::string formatGeneral(double v) {
  std::string text = formatC(v);
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) return text;
  const QString separator = QLocale().decimalPoint();
  if (separator.isEmpty() || separator == QLatin1Char('.')) return text;
  return text.replace(dot, 1, separator.toStdString());
}

}  // namespace vesk
