#include "files/PdfCheck.h"

#include "files/SafeReplace.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <string_view>

namespace vesk {

namespace {

bool pointsAtCrossReference(std::string_view s) {
  if (s.substr(0, 4) == "xref") return true;
  // A cross-reference stream: "<number> <generation> obj".
  std::size_t i = 0;
  for (int number = 0; number < 2; ++number) {
    const std::size_t start = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == start || i >= s.size() || s[i] != ' ') return false;
    ++i;
  }
  return s.substr(i, 3) == "obj";
}

}  // namespace

void checkPdfComplete(const std::string &fileName) {
  const auto incomplete = [&] {
    throw FileWriteError("the file was not written completely (is the disk full?)", fileName);
  };
  std::ifstream file(fileName, std::ios::binary | std::ios::ate);
  if (!file) throw FileWriteError(std::strerror(errno ? errno : EIO), fileName);
  const long long size = file.tellg();
  constexpr long long tailSize = 1024;
  const auto read = [&](long long at, long long count) {
    std::string bytes(std::size_t(std::max(0LL, std::min(count, size - at))), '\0');
    file.clear();
    file.seekg(at);
    file.read(bytes.data(), std::streamsize(bytes.size()));
    if (!file) incomplete();
    return bytes;
  };
  if (size < 16) incomplete();
  const std::string tail = read(std::max(0LL, size - tailSize), tailSize);
  const std::size_t eof = tail.rfind("%%EOF");
  const std::size_t startxref = tail.rfind("startxref");
  if (eof == std::string::npos || startxref == std::string::npos || startxref > eof) incomplete();
  std::string_view number = std::string_view(tail).substr(startxref + 9, eof - startxref - 9);
  while (!number.empty() && std::isspace(static_cast<unsigned char>(number.front()))) number.remove_prefix(1);
  while (!number.empty() && std::isspace(static_cast<unsigned char>(number.back()))) number.remove_suffix(1);
  long long offset = -1;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), offset);
  if (error != std::errc() || end != number.data() + number.size() || offset < 0 || offset >= size) incomplete();
  if (!pointsAtCrossReference(read(offset, 32))) incomplete();
}

void replacePdf(const std::string &fileName, const std::function<void(SafeReplace &file)> &write) {
  replaceThroughTemporary(fileName, write, checkPdfComplete);
}

}  // namespace vesk
