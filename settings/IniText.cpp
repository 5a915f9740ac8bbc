#include "settings/IniText.h"

#include <algorithm>

namespace vesk {

namespace {

std::string trimmed(const std::string &s) {
  constexpr const char *blanks = " \t\r";
  auto first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  auto last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

bool sameName(const std::string &a, const std::string &b) {
  auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : char(c); };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
         });
}

std::optional<std::string> sectionName(const std::string &line) {
  auto t = trimmed(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  auto close = t.find(']');
  return trimmed(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

struct Entry {
  std::string key, value;
};

std::optional<Entry> entryOf(const std::string &line) {
  auto t = trimmed(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  auto eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Entry{trimmed(t.substr(0, eq)), trimmed(t.substr(eq + 1))};
}

// Cuts after maxIniValueLength characters without splitting a UTF-8 sequence.
std::string cut(const std::string &value) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80) {
      if (chars == maxIniValueLength) return value.substr(0, i);
      ++chars;
    }
  }
  return value;
}

struct Lines {
  std::vector<std::string> lines;  // without '\n'; a '\r' before it stays
  bool endsWithNewline = false;
  bool crlf = false;
};

Lines split(const std::string &content) {
  Lines result;
  std::size_t start = 0;
  while (start < content.size()) {
    auto nl = content.find('\n', start);
    if (nl == std::string::npos) {
      result.lines.push_back(content.substr(start));
      break;
    }
    result.lines.push_back(content.substr(start, nl - start));
    start = nl + 1;
  }
  result.endsWithNewline = !content.empty() && content.back() == '\n';
  result.crlf = std::any_of(result.lines.begin(), result.lines.end(),
                            [](const std::string &l) { return !l.empty() && l.back() == '\r'; });
  return result;
}

std::string join(const Lines &l) {
  std::string out;
  for (std::size_t i = 0; i < l.lines.size(); ++i) {
    out += l.lines[i];
    if (i + 1 < l.lines.size() || l.endsWithNewline) out += '\n';
  }
  return out;
}

// The lines [begin, end) of the first section named so, header included.
std::optional<std::pair<std::size_t, std::size_t>> findSection(const std::vector<std::string> &lines,
                                                               const std::string &section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto name = sectionName(lines[i]);
    if (!name || !sameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !sectionName(lines[end])) ++end;
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> iniLookup(const std::string &content, const std::string &section, const std::string &key) {
  auto lines = split(content).lines;
  auto range = findSection(lines, section);
  if (!range) return std::nullopt;
  for (std::size_t i = range->first + 1; i < range->second; ++i) {
    auto entry = entryOf(lines[i]);
    if (!entry || !sameName(entry->key, key)) continue;
    if (entry->value.empty()) return std::nullopt;
    return cut(entry->value);
  }
  return std::nullopt;
}

std::string iniAssign(const std::string &content, const std::string &section,
                      const std::vector<std::pair<std::string, std::string>> &entries) {
  auto l = split(content);
  const std::string eol = l.crlf ? "\r" : "";
  for (const auto &[key, value] : entries) {
    const std::string line = key + "=" + value;
    auto range = findSection(l.lines, section);
    if (!range) {
      l.lines.push_back("[" + section + "]" + eol);
      l.lines.push_back(line + eol);
      l.endsWithNewline = true;
      continue;
    }
    auto [begin, end] = *range;
    bool replaced = false;
    for (std::size_t i = begin + 1; i < end && !replaced; ++i) {
      auto entry = entryOf(l.lines[i]);
      if (entry && sameName(entry->key, key)) {
        bool hadCr = !l.lines[i].empty() && l.lines[i].back() == '\r';
        l.lines[i] = line + (hadCr ? "\r" : "");
        replaced = true;
      }
    }
    if (replaced) continue;
    std::size_t last = begin;
    for (std::size_t i = begin + 1; i < end; ++i) {
      if (!trimmed(l.lines[i]).empty()) last = i;
    }
    if (last + 1 == l.lines.size()) l.endsWithNewline = true;
    l.lines.insert(l.lines.begin() + static_cast<std::ptrdiff_t>(last + 1), line + eol);
  }
  return join(l);
}

}  // namespace vesk
