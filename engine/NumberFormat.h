#pragma once

#include <string>

namespace vesk {

// A number as text in the general format: at most 15 significant digits, no
// trailing zeros, no group separators, a minus sign only for negative values,
// and exponent form (such as "1E+20" or "1E-05") where C's %.15G uses it.
// Negative zero reads "0"; a NaN reads "NaN" and infinities "Inf" and "-Inf".
// The decimal separator is the user's (QLocale's); the text is UTF-8.
std::string formatGeneral(double v);

}  // namespace vesk
