#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// A number as text in the general format: at most 15 significant digits, no
// trailing zeros, no group separators, a minus sign only for negative values,
// and exponent form (such as "1E+20" or "1E-05") where C's %.15G uses it.
// Negative zero reads "0"; a NaN reads "NaN" and infinities "Inf" and "-Inf".
// The decimal separator is the user's (QLocale's); the text is UTF-8.
std::string formatGeneral(double v);

// A number in exponent form with the given significant digits (1 to 15), such
// as "-3.5E+09" for 2; the decimal separator is the user's.
std::string formatExponent(double v, int significantDigits);

// A count with its thousands grouped by commas, as "2,147,483,648", whatever
// the user's locale: the messages that show it are English.
std::string groupedThousands(std::uint64_t n);

// The fewest significant digits with which every value's exponent form reads
// the same number as its general form.
int exponentDigits(const std::vector<double> &values);

}  // namespace vesk
