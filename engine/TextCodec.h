#pragma once

#include <string>
#include <string_view>

namespace vesk {

// True when bytes is well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Text read from a data file, as UTF-8: kept as it is when it is valid UTF-8,
// otherwise read as Windows-1252.
std::string textFromBytes(std::string_view bytes);

}  // namespace vesk
