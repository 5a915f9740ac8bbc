#include "engine/TextCodec.h"

#include <array>
#include <cstdint>

namespace vesk {

namespace {

// Windows-1252 0x80..0x9F; the five bytes it leaves undefined map to the C1
// controls of the same value, as Windows itself maps them.
constexpr std::array<char16_t, 32> cp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void appendUtf8(std::string &out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
  const auto *end = p + bytes.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int length = 0;
    unsigned char secondMin = 0x80, secondMax = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) secondMin = 0xA0;  // overlong
      if (c == 0xED) secondMax = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) secondMin = 0x90;  // overlong
      if (c == 0xF4) secondMax = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (end - p < length || p[1] < secondMin || p[1] > secondMax) return false;
    for (int i = 2; i < length; ++i)
      if (!isContinuation(p[i])) return false;
    p += length;
  }
  return true;
}

std::string textFromBytes(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else if (c < 0xA0)
      appendUtf8(out, cp1252High[c - 0x80]);
    else
      appendUtf8(out, c);
  }
  return out;
}

}  // namespace vesk
