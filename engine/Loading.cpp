#include "engine/NumberFormat.h"
#include "engine/TextCodec.h"
#include "engine/TextSource.h"
#include "engine/cVesk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
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

}  // namespace

// A token as the loader reads it, with what an error message says about where it stands.
struct Token {
  std::string_view text;  // valid until the next token is read
  long line = 1;
  bool atEnd = false;        // empty, with nothing but spaces after it to the end of the text
  bool blankBefore = false;  // nothing but spaces before it on its line
};

namespace {

// What stood where a value was wanted.
std::string found(const Token &token, From from) {
  if (!token.text.empty()) return "found " + quote(token.text);
  if (from == From::header) return "found the end of the header line";
  if (token.atEnd) return "found the end of the data";
  return "found an empty value: the line is blank or ends with a space";
}

[[noreturn]] void failAt(const Token &token, const std::string &message) {
  throw LoadError("Line " + std::to_string(token.line) + ": " + message);
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
  // The common form first: a sign, up to 15 digits with at most one '.', no
  // exponent. The digits and the power of ten are exact doubles and one
  // division rounds correctly, as the general path below does.
  {
    const char *p = s.data();
    const char *const e = p + s.size();
    const bool minus = p < e && *p == '-';
    if (p < e && (*p == '-' || *p == '+')) ++p;
    const char *const digitsStart = p;
    std::uint64_t m = 0;
    while (p < e && static_cast<unsigned char>(*p - '0') < 10) m = m * 10 + std::uint64_t(*p++ - '0');
    std::ptrdiff_t fraction = 0;
    if (p < e && *p == '.') {
      const char *const fractionStart = ++p;
      while (p < e && static_cast<unsigned char>(*p - '0') < 10) m = m * 10 + std::uint64_t(*p++ - '0');
      fraction = p - fractionStart;
    }
    const std::ptrdiff_t digits = p - digitsStart - (fraction > 0 || (p > digitsStart && p[-1] == '.'));
    if (p == e && digits > 0 && digits <= 15) {
      value = fraction == 0 ? double(m) : double(m) / exactPowersOfTen[fraction];
      if (minus) value = -value;
      return NumberStatus::ok;
    }
  }
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

// Nearest integer, halfway values to the even neighbour; v lies within 32 bits and a half.
long long roundHalfEven(double v) {
  long long whole = static_cast<long long>(v);  // towards zero
  const double fraction = v - whole;
  if (fraction > 0.5 || (fraction == 0.5 && whole % 2 != 0)) ++whole;
  if (fraction < -0.5 || (fraction == -0.5 && whole % 2 != 0)) --whole;
  return whole;
}

// A data set's header as read: set 0 until there is one.
struct Counts {
  int set = 0;
  long headerLine = 0;
  std::int32_t labels = 0;
  std::int32_t points = 0;
};

}  // namespace

class TokenReader;

namespace {

// What the loader knows when a value fails: the text being read and the two latest headers read.
struct Reading {
  TokenReader &reader;
  Counts latest;
  Counts before;
};

long lastLine(const Reading &r);

std::string plural(long long n, const char *word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

std::string declares(const Counts &c) {
  return "data set " + std::to_string(c.set) + " (header on line " + std::to_string(c.headerLine) +
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
std::string hint(const Reading &r, const Token &t, From from, const Item &item) {
  const std::string_view token = t.text;
  const bool atEnd = t.atEnd && from == From::text;
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
    const std::string line = "Line " + std::to_string(t.line);
    if (t.blankBefore) return line + " is blank; remove it.";
    return line + " ends with a space after a number; remove it.";
  }
  // Values are read by count, so a wrong count shows up later as a word that is
  // not a number. Where a header is read depends on the counts of the sets before it.
  if (r.latest.set == 0) return {};
  std::string counts = declares(r.latest);
  counts[0] = 'D';
  if (item.kind == Item::header && r.before.set > 0) counts += ", and " + declares(r.before);
  return counts + "; check those numbers.";
}

[[noreturn]] void failExpected(const Reading &r, const Token &token, From from, const char *expected,
                               const Item &item, const char *after = "") {
  const bool atEnd = token.atEnd && from == From::text;
  std::string message;
  if (atEnd)
    message = "Line " + std::to_string(lastLine(r)) + ": the file ends where " + describe(item) + " was expected.";
  else
    message = "Line " + std::to_string(token.line) + ": expected " + expected + " for " + describe(item) + ", " +
              found(token, from) + after + ".";
  const std::string h = hint(r, token, from, item);
  throw LoadError(h.empty() ? message : message + " " + h);
}

double toReal(const Reading &r, const Token &token, From from, const Item &item) {
  double value = 0;
  switch (parseReal(token.text, value)) {
    case NumberStatus::ok:
      return value;
    case NumberStatus::notANumber:
      failExpected(r, token, from, "a number", item);
    case NumberStatus::tooLarge:
      failExpected(r, token, from, "a number", item, ", which is too large");
  }
  return value;
}

// A whole number from lowest to highest; expected names that range.
long long toWhole(const Reading &r, const Token &token, From from, const Item &item, long long lowest,
                  long long highest, const char *expected) {
  double value = 0;
  const NumberStatus status = parseReal(token.text, value);
  if (status == NumberStatus::notANumber) failExpected(r, token, from, "a whole number", item);
  const bool near = status == NumberStatus::ok && value > double(lowest) - 1 && value < double(highest) + 1;
  const long long whole = near ? roundHalfEven(value) : highest + 1;
  if (whole < lowest || whole > highest) failExpected(r, token, from, expected, item);
  return whole;
}

std::int16_t toInt16(const Reading &r, const Token &token, From from, const Item &item) {
  // Most tags are a few digits: the same value without a conversion to double.
  const std::string_view t = token.text;
  const std::size_t sign = !t.empty() && t[0] == '-';
  if (t.size() > sign && t.size() - sign <= 4) {
    int whole = 0;
    std::size_t i = sign;
    for (; i < t.size() && static_cast<unsigned char>(t[i] - '0') < 10; ++i) whole = whole * 10 + (t[i] - '0');
    if (i == t.size()) return std::int16_t(sign ? -whole : whole);
  }
  return std::int16_t(toWhole(r, token, from, item, -32768, 32767, "a whole number from -32768 to 32767"));
}

std::int32_t toCount(const Reading &r, const Token &token, From from, const Item &item) {
  return std::int32_t(
      toWhole(r, token, from, item, INT32_MIN, INT32_MAX, "a whole number from -2147483648 to 2147483647"));
}

// The label's angle in degrees along the axes, as the on-screen direction in
// tenths of a degree. P stands for pi with five decimals on purpose: the
// stored angles depend on it.
double screenAngle(double degrees, const GraphModel &g, const Token &token, const Item &item) {
  constexpr double P = 3.14159;
  auto fail = [&](const std::string &reason) {
    failAt(token, "cannot turn " + describe(item) + ", " + quote(token.text) + ", into a direction on screen: " +
                      reason + ".");
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

// Hands out the tokens of a data text with the rules of nextToken, from a
// text in memory or from a source read a buffer at a time. A token never
// spans a refill: the buffer is refilled (and grown when one token fills it)
// until the token's end, and the character after a CR, are in it.
class TokenReader {
public:
  explicit TokenReader(std::string_view text)
      : pos(text.data()), end(text.data() + text.size()), origin(text.data()), eof(true) {}
  TokenReader(TextSource &text, const cVesk::Progress &progress)
      : source(&text), progress(&progress), capacity(initialCapacity), buffer(new char[capacity]) {
    pos = end = origin = buffer.get();
  }

  Token next(bool wholeLine) {
    for (;;) {
      const char *start = pos;
      while (start < end && *start == ' ') ++start;
      if (start == end && !eof) {
        refill();
        continue;
      }
      const bool spacesOnly = start == end;
      if (spacesOnly) start = pos;  // nothing but spaces: left as it is

      const char *stop = start;
      const char *firstPoint = nullptr;
      const char *lastPoint = nullptr;
      if (wholeLine) {
        const void *cr = std::memchr(start, CR, std::size_t(end - start));
        stop = cr ? static_cast<const char *>(cr) : end;
      } else {
        for (; stop < end && *stop != ' ' && *stop != CR; ++stop) {
          if (*stop == '.') {
            if (!firstPoint) firstPoint = stop;
            lastPoint = stop;
          }
        }
      }
      if (!eof && (stop == end || (*stop == CR && end - stop < 2))) {
        refill();
        continue;
      }

      // A word holds no spaces; a line loses those at its end.
      const char *tokenEnd = stop;
      if (wholeLine) {
        while (tokenEnd > start && tokenEnd[-1] == ' ') --tokenEnd;
        if (tokenEnd == start) tokenEnd = stop;  // nothing but spaces: left as it is
      }

      // Numbers run together ("1.2345.678"): see nextToken.
      if (lastPoint != firstPoint) {
        const std::ptrdiff_t decimals = tokenEnd - lastPoint - 1;
        tokenEnd = firstPoint + 1 + decimals;
        stop = tokenEnd;
      }

      Token token{std::string_view(start, std::size_t(tokenEnd - start)), line, false, !lineHasText};
      token.atEnd = token.text.empty() && spacesOnly;
      if (!token.text.empty()) lineHasText = true;
      if (stop < end && *stop == CR) {
        stop += std::min<std::ptrdiff_t>(2, end - stop);
        ++line;
        lineHasText = false;
        lastLineEnd = offset(stop);
      }
      pos = stop;
      return token;
    }
  }

  // Reads the next token as nextToken and parseReal would when it is a plain
  // number (a sign, up to 15 digits with at most one '.') and returns true;
  // otherwise reads nothing and returns false. Most values are such numbers:
  // they are converted while they are scanned.
  bool plainNumber(double &value) {
    const char *p = pos;
    while (p < end && *p == ' ') ++p;
    const bool minus = p < end && *p == '-';
    p += minus;
    const char *const digitsStart = p;
    std::uint64_t m = 0;
    while (p < end && static_cast<unsigned char>(*p - '0') < 10) m = m * 10 + std::uint64_t(*p++ - '0');
    std::ptrdiff_t digits = p - digitsStart;
    std::ptrdiff_t fraction = 0;
    if (p < end && *p == '.') {
      const char *const fractionStart = ++p;
      while (p < end && static_cast<unsigned char>(*p - '0') < 10) m = m * 10 + std::uint64_t(*p++ - '0');
      fraction = p - fractionStart;
      digits += fraction;
    }
    if (digits == 0 || digits > 15) return false;
    if (p == end ? !eof : *p == CR ? !eof && end - p < 2 : *p != ' ') return false;
    value = fraction == 0 ? double(m) : double(m) / exactPowersOfTen[fraction];
    if (minus) value = -value;
    lineHasText = true;
    if (p < end && *p == CR) {
      p += std::min<std::ptrdiff_t>(2, end - p);
      ++line;
      lineHasText = false;
      lastLineEnd = offset(p);
    }
    pos = p;
    return true;
  }

  // True when the text is read to its end.
  bool atTextEnd() {
    while (pos == end && !eof) refill();
    return pos == end;
  }

  // No more characters than this are left to read.
  std::uint64_t remainingAtMost() const {
    return std::uint64_t(end - pos) + (source && !eof ? source->remainingAtMost() : 0);
  }

  // The number of the text's last line, once the text is read up to spaces at its end; a line end
  // at the very end starts no line of its own.
  long lastLine() const { return lastLineEnd > 0 && lastLineEnd == offset(end) ? line - 1 : line; }

private:
  static constexpr std::size_t initialCapacity = std::size_t(1) << 20;

  std::uint64_t offset(const char *p) const { return base + std::uint64_t(p - origin); }

  void refill() {
    const std::size_t kept = std::size_t(end - pos);
    if (capacity - kept < TextSource::minRoom) {
      capacity *= 2;
      std::unique_ptr<char[]> bigger(new char[capacity]);
      std::memcpy(bigger.get(), pos, kept);
      buffer = std::move(bigger);
    } else {
      std::memmove(buffer.get(), pos, kept);
    }
    base += std::uint64_t(pos - origin);
    origin = pos = buffer.get();
    end = pos + kept;
    const std::size_t n = source->read(buffer.get() + kept, capacity - kept);
    if (n == 0) eof = true;
    end += n;
    if (*progress && !(*progress)(source->fractionRead())) throw LoadCancelled();
  }

  TextSource *source = nullptr;
  const cVesk::Progress *progress = nullptr;
  std::size_t capacity = 0;
  std::unique_ptr<char[]> buffer;
  const char *pos = nullptr;
  const char *end = nullptr;
  const char *origin = nullptr;  // the character at offset base
  bool eof = false;
  std::uint64_t base = 0;
  long line = 1;
  bool lineHasText = false;
  std::uint64_t lastLineEnd = 0;  // offset just after the latest line end read
};

namespace {

long lastLine(const Reading &r) { return r.reader.lastLine(); }

// Room reserved for count values that take at least size characters each:
// never more than the rest of the text can hold, so that a header declaring
// two billion points does not claim memory for them.
std::size_t roomFor(std::int32_t count, TokenReader &reader, std::uint64_t size) {
  constexpr std::uint64_t most = std::uint64_t(1) << 24;
  return std::size_t(std::min({std::uint64_t(count), reader.remainingAtMost() / size + 1, most}));
}

}  // namespace

std::string cVesk::tooLongHint(std::uint64_t characters, const char *what, std::uint64_t limit) {
  return "Vesk reads at most " + groupedThousands(limit) + " characters; this " + what + " has " +
         groupedThousands(characters) + ". Remove points or split the file.";
}

void cVesk::veskFromData(const std::string &fileData, Surface &mainPicture) { load(fileData, mainPicture); }

void cVesk::load(std::string_view text, Surface &mainPicture) {
  m = GraphModel{};
  if (text.empty()) throw LoadError("The data text is empty.");
  if (text.size() > maxTextLength)
    throw LoadError("The data text has " + std::to_string(text.size()) + " characters; at most " +
                    std::to_string(maxTextLength) + " can be loaded. " + tooLongHint(text.size(), "text"));
  TokenReader reader(text);
  loadFrom(reader, mainPicture);
}

void cVesk::load(TextSource &text, Surface &mainPicture) {
  m = GraphModel{};
  TokenReader reader(text, progress);
  loadFrom(reader, mainPicture);
}

void cVesk::loadFrom(TokenReader &reader, Surface &mainPicture) {
  Reading reading{reader, {}, {}};
  auto line = [&] { return reader.next(true); };
  auto real = [&](const Item &item) {
    double value;
    if (reader.plainNumber(value)) return value;
    return toReal(reading, reader.next(false), From::text, item);
  };
  auto int16 = [&](const Item &item) { return toInt16(reading, reader.next(false), From::text, item); };

  GraphModel g;
  g.xTitle = textFromBytes(line().text);
  g.yTitle = textFromBytes(line().text);
  g.xMin = real({Item::whole, "the left end of the x axis"});
  g.xMax = real({Item::whole, "the right end of the x axis"});
  g.yMin = real({Item::whole, "the lower end of the y axis"});
  Token yMaxToken = reader.next(false);
  g.yMax = toReal(reading, yMaxToken, From::text, {Item::whole, "the upper end of the y axis"});
  yMaxToken.text = {};  // the buffer it stands in may be refilled

  Token header = line();
  if (header.text.size() > 16) header = line();

  const double height = g.yMax - g.yMin;
  const double width = g.xMax - g.xMin;
  if (!std::isfinite(height) || !std::isfinite(width))
    failAt(yMaxToken, "the axes are too long: the distance between the ends of an axis overflows.");
  mainPicture.setScaleHeight(height);
  mainPicture.setScaleWidth(width);

  g.dataSets.resize(GraphModel::maxDataSets);
  for (int i = 0;; ++i) {
    DataSet &set = g.dataSets[std::size_t(i)];
    const int setNumber = i + 1;
    if (header.text.size() <= 5) {
      set.labelCount = toCount(reading, header, From::text, {Item::header, "the label count", 0, setNumber});
    } else {
      std::string_view fields = header.text;
      auto field = [&](const char *what) {
        const Token t{nextToken(fields, false), header.line};
        return toCount(reading, t, From::header, {Item::header, what, 0, setNumber});
      };
      set.labelCount = field("the label count");
      set.pointCount = field("the point count");
      nextToken(fields, false);
      const Token style{nextToken(fields, false), header.line};
      set.markerStyle = toInt16(reading, style, From::header, {Item::header, "the marker style", 0, setNumber});
    }
    reading.before = reading.latest;
    reading.latest = {setNumber, header.line, set.labelCount, set.pointCount};

    if (set.pointCount > 0) {
      set.points.reserve(roomFor(set.pointCount, reader, 6));  // "0 0 0 " or ".0.0.0"
      for (std::int32_t j = 0; j < set.pointCount; ++j) {
        DataPoint p;
        p.x = real({Item::point, "the x", j + 1, setNumber});
        p.y = real({Item::point, "the y", j + 1, setNumber});
        p.tag = int16({Item::point, "the tag", j + 1, setNumber});
        set.points.push_back(p);
      }
    }

    if (set.labelCount > 0) {
      set.labels.reserve(roomFor(set.labelCount, reader, 8));
      for (std::int32_t j = 0; j < set.labelCount; ++j) {
        TextLabel &l = set.labels.emplace_back();
        l.x = real({Item::label, "the x", j + 1, setNumber});
        l.y = real({Item::label, "the y", j + 1, setNumber});
        l.extra = real({Item::label, "the third number", j + 1, setNumber});
        const Item angleItem{Item::label, "the angle", j + 1, setNumber};
        const Token angleToken = reader.next(false);
        l.angle = screenAngle(toReal(reading, angleToken, From::text, angleItem), g, angleToken, angleItem);
        const Token textToken = line();
        l.text = textFromBytes(textToken.text);
      }
    }

    set.isLoaded = true;
    if (reader.atTextEnd()) break;
    header = line();
    if (setNumber == GraphModel::maxDataSets)
      failAt(header, "expected the end of the data after data set 401, the most a graph holds, " +
                         found(header, From::text) + ".");
  }
  m = std::move(g);
}

}  // namespace vesk
