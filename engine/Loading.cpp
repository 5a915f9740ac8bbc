#include "engine/TextCodec.h"
#include "engine/cVesk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace vesk {

namespace {

constexpr char CR = '\r';

// What a value is read for; turned into words only when a load fails.
struct Item {
  enum Kind { whole, header, point, label };
  Kind kind;
  const char *what;
  int number = 0;  // point or label, from 1
  int set = 0;     // data set, from 1
};

std::string describe(const Item &item) {
  std::string s = item.what;
  switch (item.kind) {
    case Item::whole:
      return s;
    case Item::header:
      return s + " in the header of data set " + std::to_string(item.set);
    case Item::point:
      s += " of point ";
      break;
    case Item::label:
      s += " of label ";
      break;
  }
  return s + std::to_string(item.number) + " in data set " + std::to_string(item.set);
}

// The line, from 1, on which offset stands; a line end is a CR and the one character after it.
int lineAt(std::string_view all, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < all.size(); ++i) {
    if (all[i] == CR) {
      ++line;
      ++i;
    }
  }
  return line;
}

// The token in quotes as people can read it: control characters spelled out, long tokens cut short.
std::string quote(std::string_view token) {
  constexpr int maxShown = 30;
  const std::string text = textFromBytes(token);
  std::string out = "\"";
  int shown = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80 && ++shown > maxShown) {
      out += "...";
      break;
    }
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      static constexpr char hex[] = "0123456789ABCDEF";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += text[i];
    }
  }
  out += '"';
  if (token.find('\t') != std::string_view::npos) out += " (values are separated by spaces, not tabs)";
  return out;
}

// Where a token was cut from: the data text itself or a header line.
enum class From { text, header };

// What stood where a value was wanted.
std::string found(std::string_view all, std::string_view token, From from) {
  if (!token.empty()) return "found " + quote(token);
  if (from == From::header) return "found the end of the header line";
  const std::size_t offset = std::size_t(token.data() - all.data());
  if (all.find_first_not_of(' ', offset) == std::string_view::npos) return "found the end of the data";
  return "found an empty value: the line is blank or ends with a space";
}

[[noreturn]] void failAt(std::string_view all, std::string_view token, const std::string &message) {
  throw LoadError("Line " + std::to_string(lineAt(all, std::size_t(token.data() - all.data()))) + ": " + message);
}

// Order of magnitude of a mantissa of digits with at most one '.' (not all zeros).
long decimalMagnitude(std::string_view mantissa) {
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t firstDigit = mantissa.find_first_of("123456789");
  if (firstDigit < point) return long(point - firstDigit) - 1;
  return -long(firstDigit - point);
}

enum class NumberStatus { ok, notANumber, tooLarge };

// Powers of ten that a double holds exactly.
constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// An optional sign, digits with at most one '.' (at least one digit), an
// optional exponent; '.' is the decimal point whatever the locale. Values too
// small to hold become 0.
NumberStatus parseReal(std::string_view s, double &value) {
  const std::size_t n = s.size();
  std::size_t i = 0;
  const bool negative = n > 0 && s[0] == '-';
  if (n > 0 && (s[0] == '+' || s[0] == '-')) ++i;
  const std::size_t mantissaStart = i;
  bool point = false;
  int digits = 0;
  int significantDigits = 0;
  int decimals = 0;
  std::uint64_t mantissa = 0;
  for (; i < n; ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      ++digits;
      decimals += point;
      if (mantissa != 0 || c != '0') ++significantDigits;
      if (significantDigits <= 19) mantissa = mantissa * 10 + std::uint64_t(c - '0');
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return NumberStatus::notANumber;
  const std::size_t mantissaEnd = i;
  long exponent = 0;
  const bool hasExponent = i < n && (s[i] == 'e' || s[i] == 'E');
  if (hasExponent) {
    ++i;
    const bool exponentNegative = i < n && s[i] == '-';
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t exponentStart = i;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i)
      if (exponent < 1'000'000) exponent = exponent * 10 + (s[i] - '0');
    if (i == exponentStart) return NumberStatus::notANumber;
    if (exponentNegative) exponent = -exponent;
  }
  if (i != n) return NumberStatus::notANumber;

  // Up to 15 digits and 22 decimals, the digits and the power of ten are exact
  // doubles and one division rounds correctly, as from_chars does.
  if (!hasExponent && significantDigits <= 15 && decimals <= 22) {
    value = double(mantissa) / exactPowersOfTen[decimals];
    if (negative) value = -value;
    return NumberStatus::ok;
  }
  const char *first = s.data() + (s[0] == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(first, s.data() + n, value);
  if (error == std::errc() && end == s.data() + n) return NumberStatus::ok;
  if (error != std::errc::result_out_of_range) return NumberStatus::notANumber;
  if (decimalMagnitude(s.substr(mantissaStart, mantissaEnd - mantissaStart)) + exponent > 0)
    return NumberStatus::tooLarge;
  value = negative ? -0.0 : 0.0;
  return NumberStatus::ok;
}

// Nearest integer, halfway values to the even neighbour; v lies within 16 bits and a half.
int roundHalfEven(double v) {
  int whole = int(v);  // towards zero
  const double fraction = v - whole;
  if (fraction > 0.5 || (fraction == 0.5 && whole % 2 != 0)) ++whole;
  if (fraction < -0.5 || (fraction == -0.5 && whole % 2 != 0)) --whole;
  return whole;
}

// A data set's header as read: set 0 until there is one.
struct Counts {
  int set = 0;
  std::size_t headerOffset = 0;
  int labels = 0;
  int points = 0;
};

// What the loader knows when a value fails: the whole text and the two latest headers read.
struct Reading {
  std::string_view all;
  Counts latest;
  Counts before;
};

std::size_t offsetOf(std::string_view all, std::string_view token) { return std::size_t(token.data() - all.data()); }

// The text's last line: a line end at the very end starts no line of its own.
int lastLine(std::string_view all) {
  int line = 1;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == CR) {
      if (i + 2 >= all.size()) break;
      ++line;
      ++i;
    }
  }
  return line;
}

// True when the line on which offset stands holds nothing but spaces before offset.
bool blankBefore(std::string_view all, std::size_t offset) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < offset && i < all.size(); ++i) {
    if (all[i] == CR) {
      ++i;
      start = i + 1;
    }
  }
  return start >= offset || all.substr(start, offset - start).find_first_not_of(' ') == std::string_view::npos;
}

std::string plural(int n, const char *word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

std::string declares(std::string_view all, const Counts &c) {
  return "data set " + std::to_string(c.set) + " (header on line " + std::to_string(lineAt(all, c.headerOffset)) +
         ") declares " + plural(c.points, "point") + " and " + plural(c.labels, "label");
}

bool canStartANumber(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

// "0,5" as a spreadsheet in many locales writes it.
bool isDecimalComma(std::string_view token) {
  const std::size_t comma = token.find(',');
  if (comma == std::string_view::npos || token.find(',', comma + 1) != std::string_view::npos) return false;
  std::string dotted(token);
  dotted[comma] = '.';
  double value = 0;
  return parseReal(dotted, value) != NumberStatus::notANumber;
}

// One sentence on what the user can change for a value that is not a number,
// or nothing. Only the token, where it stands and the counts read so far are
// used: a hint never changes what loads.
std::string hint(const Reading &r, std::string_view token, From from, const Item &item, bool atEnd) {
  double value = 0;
  if (!token.empty() && parseReal(token, value) != NumberStatus::notANumber) return {};  // out of range: said already
  if (token.find('\0') != std::string_view::npos) return "The file looks like UTF-16 text; save it as UTF-8.";
  if (token.find('\t') != std::string_view::npos) return {};  // the message names the tabs
  // A first header that starts with a word is a comment the loader did not drop.
  const bool firstHeaderIsAWord = item.kind == Item::header && item.set == 1 &&
                                  std::string_view(item.what) == "the label count" && !token.empty() &&
                                  !canStartANumber(token[0]);
  if ((!token.empty() && token[0] == '#') || firstHeaderIsAWord)
    return "Only one comment line is allowed, right after the four limits, and it must be longer than 16 "
           "characters.";
  if (isDecimalComma(token)) return "Use '.' as the decimal point.";
  if (token.empty() && from == From::text && !atEnd) {
    const std::size_t offset = offsetOf(r.all, token);
    const std::string line = "Line " + std::to_string(lineAt(r.all, offset));
    if (blankBefore(r.all, offset)) return line + " is blank; remove it.";
    return line + " ends with a space after a number; remove it.";
  }
  // Values are read by count, so a wrong count shows up later as a word that is
  // not a number. Where a header is read depends on the counts of the sets before it.
  if (r.latest.set == 0) return {};
  std::string counts = declares(r.all, r.latest);
  counts[0] = 'D';
  if (item.kind == Item::header && r.before.set > 0) counts += ", and " + declares(r.all, r.before);
  return counts + "; check those numbers.";
}

[[noreturn]] void failExpected(const Reading &r, std::string_view token, From from, const char *expected,
                               const Item &item, const char *after = "") {
  const std::size_t offset = offsetOf(r.all, token);
  const bool atEnd =
      token.empty() && from == From::text && r.all.find_first_not_of(' ', offset) == std::string_view::npos;
  std::string message;
  if (atEnd)
    message = "Line " + std::to_string(lastLine(r.all)) + ": the file ends where " + describe(item) + " was expected.";
  else
    message = "Line " + std::to_string(lineAt(r.all, offset)) + ": expected " + expected + " for " + describe(item) +
              ", " + found(r.all, token, from) + after + ".";
  const std::string h = hint(r, token, from, item, atEnd);
  throw LoadError(h.empty() ? message : message + " " + h);
}

double toReal(const Reading &r, std::string_view token, From from, const Item &item) {
  double value = 0;
  switch (parseReal(token, value)) {
    case NumberStatus::ok:
      return value;
    case NumberStatus::notANumber:
      failExpected(r, token, from, "a number", item);
    case NumberStatus::tooLarge:
      failExpected(r, token, from, "a number", item, ", which is too large");
  }
  return value;
}

std::int16_t toInt16(const Reading &r, std::string_view token, From from, const Item &item) {
  double value = 0;
  const NumberStatus status = parseReal(token, value);
  if (status == NumberStatus::notANumber) failExpected(r, token, from, "a whole number", item);
  const int whole = status == NumberStatus::ok && value > -32769 && value < 32768 ? roundHalfEven(value) : 32768;
  if (whole < -32768 || whole > 32767) failExpected(r, token, from, "a whole number from -32768 to 32767", item);
  return std::int16_t(whole);
}

// The label's angle in degrees along the axes, as the on-screen direction in
// tenths of a degree. P stands for pi with five decimals on purpose: the
// stored angles depend on it.
double screenAngle(double degrees, const GraphModel &g, std::string_view all, std::string_view token,
                   const Item &item) {
  constexpr double P = 3.14159;
  auto fail = [&](const std::string &reason) {
    failAt(all, token,
           "cannot turn " + describe(item) + ", " + quote(token) + ", into a direction on screen: " + reason + ".");
  };
  const double t = std::tan(degrees * (P / 180));
  if (g.yMax - g.yMin == 0) fail("the y axis has no length (its lower and upper ends are equal)");
  const double r = (g.xMax - g.xMin) / (g.yMax - g.yMin);
  const double slope = t * r * (2.6 / 3.5);
  if (!std::isfinite(t) || !std::isfinite(r) || !std::isfinite(slope))
    fail("the result overflows (the axis lengths are too far apart)");
  const double a = std::atan(slope);
  return a * (180 / P) * 10;
}

}  // namespace

std::string_view cVesk::nextToken(std::string_view &text, bool wholeLine) {
  const char *const end = text.data() + text.size();
  const char *start = text.data();
  while (start < end && *start == ' ') ++start;
  if (start == end) start = text.data();  // nothing but spaces: left as it is

  const char *stop = start;
  if (wholeLine)
    while (stop < end && *stop != CR) ++stop;
  else
    while (stop < end && *stop != ' ' && *stop != CR) ++stop;

  const char *tokenEnd = stop;
  while (tokenEnd > start && tokenEnd[-1] == ' ') --tokenEnd;
  if (tokenEnd == start) tokenEnd = stop;  // nothing but spaces: left as it is

  // Numbers run together ("1.2345.678") are cut on the assumption that each
  // has as many decimals as the last; the rest goes back in front of the text.
  // A word token holds no spaces, so its tail lies just before the text's front.
  if (!wholeLine) {
    const char *firstPoint = start;
    while (firstPoint < tokenEnd && *firstPoint != '.') ++firstPoint;
    const char *lastPoint = tokenEnd;
    while (lastPoint > firstPoint && *--lastPoint != '.') {
    }
    if (lastPoint > firstPoint) {
      const std::ptrdiff_t decimals = tokenEnd - lastPoint - 1;
      tokenEnd = firstPoint + 1 + decimals;
      stop = tokenEnd;
    }
  }

  if (stop < end && *stop == CR) stop += std::min<std::ptrdiff_t>(2, end - stop);
  text = std::string_view(stop, std::size_t(end - stop));
  return std::string_view(start, std::size_t(tokenEnd - start));
}

std::string cVesk::tooLongHint(std::size_t characters, const char *what) {
  auto grouped = [](std::size_t n) {
    std::string s = std::to_string(n);
    for (std::size_t i = s.size(); i > 3; i -= 3) s.insert(i - 3, ",");
    return s;
  };
  return "Vesk reads at most " + grouped(maxTextLength) + " characters; this " + what + " has " + grouped(characters) +
         ". Remove points or split the file.";
}

void cVesk::veskFromData(const std::string &fileData, Surface &mainPicture) { load(fileData, mainPicture); }

void cVesk::load(std::string_view text, Surface &mainPicture) {
  m = GraphModel{};
  if (text.empty()) throw LoadError("The data text is empty.");
  if (text.size() > maxTextLength)
    throw LoadError("The data text has " + std::to_string(text.size()) + " characters; at most " +
                    std::to_string(maxTextLength) + " can be loaded. " + tooLongHint(text.size(), "text"));

  const std::string_view all = text;
  Reading reading{all, {}, {}};
  std::string_view rest = text;
  auto line = [&] { return nextToken(rest, true); };
  auto real = [&](const Item &item) { return toReal(reading, nextToken(rest, false), From::text, item); };
  auto int16 = [&](const Item &item) { return toInt16(reading, nextToken(rest, false), From::text, item); };

  GraphModel g;
  g.xTitle = textFromBytes(line());
  g.yTitle = textFromBytes(line());
  g.xMin = real({Item::whole, "the left end of the x axis"});
  g.xMax = real({Item::whole, "the right end of the x axis"});
  g.yMin = real({Item::whole, "the lower end of the y axis"});
  const std::string_view yMaxToken = nextToken(rest, false);
  g.yMax = toReal(reading, yMaxToken, From::text, {Item::whole, "the upper end of the y axis"});

  std::string_view header = line();
  if (header.size() > 16) header = line();

  const double height = g.yMax - g.yMin;
  const double width = g.xMax - g.xMin;
  if (!std::isfinite(height) || !std::isfinite(width))
    failAt(all, yMaxToken, "the axes are too long: the distance between the ends of an axis overflows.");
  mainPicture.setScaleHeight(height);
  mainPicture.setScaleWidth(width);

  g.dataSets.resize(GraphModel::maxDataSets);
  for (int i = 0;; ++i) {
    DataSet &set = g.dataSets[std::size_t(i)];
    const int setNumber = i + 1;
    if (header.size() <= 5) {
      set.labelCount = toInt16(reading, header, From::text, {Item::header, "the label count", 0, setNumber});
    } else {
      std::string_view fields = header;
      auto field = [&](const char *what) {
        return toInt16(reading, nextToken(fields, false), From::header, {Item::header, what, 0, setNumber});
      };
      set.labelCount = field("the label count");
      set.pointCount = field("the point count");
      nextToken(fields, false);
      set.markerStyle = field("the marker style");
    }
    reading.before = reading.latest;
    reading.latest = {setNumber, offsetOf(all, header), set.labelCount, set.pointCount};

    if (set.pointCount > 0) {
      set.points.resize(std::size_t(set.pointCount));
      for (int j = 0; j < set.pointCount; ++j) {
        DataPoint &p = set.points[std::size_t(j)];
        p.x = real({Item::point, "the x", j + 1, setNumber});
        p.y = real({Item::point, "the y", j + 1, setNumber});
        p.tag = int16({Item::point, "the tag", j + 1, setNumber});
      }
    }

    if (set.labelCount > 0) {
      set.labels.resize(std::size_t(set.labelCount));
      for (int j = 0; j < set.labelCount; ++j) {
        TextLabel &l = set.labels[std::size_t(j)];
        l.x = real({Item::label, "the x", j + 1, setNumber});
        l.y = real({Item::label, "the y", j + 1, setNumber});
        l.extra = real({Item::label, "the third number", j + 1, setNumber});
        const Item angleItem{Item::label, "the angle", j + 1, setNumber};
        const std::string_view angleToken = nextToken(rest, false);
        l.angle = screenAngle(toReal(reading, angleToken, From::text, angleItem), g, all, angleToken, angleItem);
        const std::string_view textToken = line();
        l.text = textFromBytes(textToken);
      }
    }

    set.isLoaded = true;
    if (rest.empty()) break;
    header = line();
    if (setNumber == GraphModel::maxDataSets)
      failAt(all, header,
             "expected the end of the data after data set 401, the most a graph holds, " +
                 found(all, header, From::text) + ".");
  }
  m = std::move(g);
}

}  // namespace vesk
