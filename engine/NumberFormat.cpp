#include "engine/NumberFormat.h"

#include <QLocale>
#include <QString>

#include <algorithm>
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

std::string withUsersSeparator(std::string text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) return text;
  const QString separator = QLocale().decimalPoint();
  if (separator.isEmpty() || separator == QLatin1Char('.')) return text;
  return text.replace(dot, 1, separator.toStdString());
}

// The C locale's exponent form, "e" made "E".
std::string exponentC(double v, int significantDigits) {
  if (!std::isfinite(v)) return formatC(v);
  if (v == 0) v = 0;  // no sign for negative zero
  char buffer[64];
  const int precision = std::clamp(significantDigits, 1, 15) - 1;
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, precision);
  std::string text(buffer, result.ptr);
  for (char &c : text)
    if (c == 'e') c = 'E';
  return text;
}

double parsedC(const std::string &text) {
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

}  // namespace

std::string formatGeneral(double v) { return withUsersSeparator(formatC(v)); }

std::string formatExponent(double v, int significantDigits) {
  return withUsersSeparator(exponentC(v, significantDigits));
}

int exponentDigits(const std::vector<double> &values) {
  for (int digits = 1; digits < 15; ++digits) {
    const bool exact = std::all_of(values.begin(), values.end(), [digits](double v) {
      return !std::isfinite(v) || parsedC(exponentC(v, digits)) == parsedC(formatC(v));
    });
    if (exact) return digits;
  }
  return 15;
}

std::string groupedThousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace vesk
