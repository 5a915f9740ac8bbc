#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

// A tick counts as on the axis when it passes an end by no more than this
// share of the range: 12 * 0.1 is slightly above 1.2.
inline constexpr double kRangeTolerance = 1e-9;
// An axis with more ticks than this gets none.
inline constexpr int kMaxTicks = 1000;

// The tick values of one axis, in increasing order, all on the axis.
struct AxisTicks {
  std::vector<double> values;  // empty: the axis gets no ticks
  double step = 0;
};

using TickStepFn = void (*)(std::int16_t, std::int16_t, double &, std::int16_t &);

// The step for a tenth d of a range: d's leading digits rounded up to 1, 2, 5
// or 10; 0 for a d that is not a positive finite number.
double niceStep(double d);

// Ticks for an axis from lo to hi (hi may lie below lo). The step and first
// tick come from integerStep on the limits rounded to integers, as long as
// those fit 16 bits and differ and the axis is longer than one unit; ticks
// beyond the ends are left out. Where the
// ticks so found leave more than a step bare at an end, the multiples of the
// same step on the axis take their place. Only where that step cannot be
// computed (or leaves fewer than two ticks) is the step the 1-2-5 step of a
// tenth of the span. Non-finite limits and more than kMaxTicks ticks give none.
AxisTicks planTicks(double lo, double hi, TickStepFn integerStep);

}  // namespace vesk
