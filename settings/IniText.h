#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk {

// The longest value a read returns, in characters; longer values are cut.
inline constexpr std::size_t maxIniValueLength = 1999;

// The value of key in section of an initialization-file text: names match
// case-insensitively and the first match counts; blanks around names and
// values are dropped. Empty when the section or key is missing or the value is empty.
std::optional<std::string> iniLookup(const std::string &content, const std::string &section, const std::string &key);

// The text with each key of section set to its value, in the given order.
// Every other line stays as it was; a missing section is added at the end and
// a missing key after the section's last line. The text's line ending is kept.
std::string iniAssign(const std::string &content, const std::string &section,
                      const std::vector<std::pair<std::string, std::string>> &entries);

}  // namespace vesk
