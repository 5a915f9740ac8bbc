#include "engine/Ticks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vesk {

namespace {

bool fitsInt16(double v) { return v >= -32768.0 && v <= 32767.0; }

// A tick value put back on the decimal it stands for: sums that should give
// 0 come out as tiny leftovers such as 5.55E-17, and 9 * 1E+307 as
// 9.00000000000001E+307. A step has one significant digit, so a value has
// as many as there are decimal places from its leading digit to the step's.
double snapped(double v, double step) {
  if (std::abs(v) < step * kRangeTolerance) return 0.0;
  if (!std::isfinite(v) || !(step > 0)) return v;
  const int digits = int(std::floor(std::log10(std::abs(v))) - std::floor(std::log10(step))) + 2;
  if (digits < 1 || digits > 15) return v;
  char buffer[64];
  const auto printed = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific, digits - 1);
  double decimal = v;
  std::from_chars(buffer, printed.ptr, decimal);
  return decimal;
}

// The multiples of step on the axis [lower, upper]; none when they would be too many.
std::vector<double> multiplesOn(double step, double lower, double upper, double tolerance) {
  std::vector<double> values;
  if (!(step > 0) || (upper - lower) / step > kMaxTicks) return values;
  const double first = std::ceil(lower / step - std::max(kRangeTolerance, tolerance / step));
  // Counted in steps from the first, so that each value is k * step exactly rounded.
  for (int i = 0; i <= kMaxTicks; ++i) {
    const double v = (first + i) * step;
    if (v > upper + tolerance) break;
    values.push_back(snapped(v, step));
  }
  return values;
}

// True when the ticks start less than one step above the lower end and end
// less than one step below the upper end.
bool coversAxis(const std::vector<double> &values, double step, double lower, double upper, double tolerance) {
  return !values.empty() && values.front() - lower < step - tolerance && upper - values.back() < step - tolerance;
}

}  // namespace

double niceStep(double d) {
  if (!std::isfinite(d) || !(d > 0)) return 0;
  int n = 0;
  if (d > 1) {
    while (std::abs(d) >= 10) {
      d /= 10;
      ++n;
    }
  } else {
    while (std::abs(d) <= 1) {
      d *= 10;
      --n;
    }
  }
  const double g = std::floor(d + 0.9999999);
  double m = d;
  if (g == 2)
    m = 2;
  else if (g >= 3 && g <= 5)
    m = 5;
  else if (g >= 6)
    m = 10;
  // Dividing by an exact power of ten keeps steps such as 0.1 and 0.05 exact to the last bit.
  return n >= 0 ? m * std::pow(10.0, n) : m / std::pow(10.0, -n);
}

AxisTicks planTicks(double lo, double hi, TickStepFn integerStep) {
  const double span = std::abs(hi - lo);
  if (!std::isfinite(span) || !(span > 0)) return {};
  const double lower = std::min(lo, hi), upper = std::max(lo, hi);
  // Or a few units in the last place where the span is too narrow for its share
  // to be told from the values' rounding (6.5000001..6.5000009).
  const double magnitude = std::max(std::abs(lo), std::abs(hi));
  const double tolerance = std::max(span * kRangeTolerance, 4 * (std::nextafter(magnitude, HUGE_VAL) - magnitude));
  const double roundedLo = std::nearbyint(lo), roundedHi = std::nearbyint(hi);

  if (roundedLo != roundedHi && span > 1 && fitsInt16(roundedLo) && fitsInt16(roundedHi)) {
    double step = 0;
    std::int16_t first = 0;
    integerStep(static_cast<std::int16_t>(roundedLo), static_cast<std::int16_t>(roundedHi), step, first);
    if (step > 0 && span / step <= kMaxTicks) {
      // From the whole first tick, counted over the span; those beyond an end are dropped.
      AxisTicks t{{}, step};
      for (int i = 0; i * step <= span + tolerance; ++i) {
        const double v = snapped(first + i * step, step);
        if (v >= lower - tolerance && v <= upper + tolerance) t.values.push_back(v);
      }
      if (coversAxis(t.values, step, lower, upper, tolerance)) return t;
      t.values = multiplesOn(step, lower, upper, tolerance);
      if (t.values.size() >= 2) return t;
    }
  }

  AxisTicks t{{}, niceStep(span / 10)};
  t.values = multiplesOn(t.step, lower, upper, tolerance);
  if (t.values.empty()) t.step = 0;
  return t;
}

}  // namespace vesk
