#include "engine/cVesk.h"
#include "settings/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace vesk {

namespace {

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// path: the data file, or "" for standard input, which messages name unquoted.
[[noreturn]] void failReadNamed(const std::string &path, int error) {
  const std::string reason = std::string(std::strerror(error)) + ".";
  if (path.empty()) throw LoadError("Cannot read", "standard input", reason, false);
  throw LoadError("Cannot read", path, reason);
}

[[noreturn]] void failRead(const std::string &path, int error) { failReadNamed(path, error); }

[[noreturn]] void failLoadNamed(const std::string &path, std::string reason) {
  if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') reason[0] = char(reason[0] - 'A' + 'a');
  if (path.empty()) throw LoadError("Cannot load", "standard input", std::move(reason), false);
  throw LoadError("Cannot load", path, std::move(reason));
}

// Read at most this much: no longer file comes down to maxTextLength
// characters, and a file chosen by mistake must not fill the memory.
constexpr std::size_t maxFileBytes = std::size_t(1) << 20;

struct FileBytes {
  std::string bytes;
  std::uintmax_t size = 0;  // on disk, which may be more than was read
};

// A stream's bytes up to its end or just past maxBytes.
std::string readStream(std::FILE *stream, const std::string &name, std::size_t maxBytes) {
  std::string bytes;
  char buffer[8192];
  while (bytes.size() <= maxBytes) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, stream);
    bytes.append(buffer, n);
    if (n < sizeof buffer) {
      if (std::ferror(stream)) failReadNamed(name, errno);
      break;
    }
  }
  return bytes;
}

// The file's bytes; reading stops after maxBytes + 1, since a longer text cannot be loaded anyway.
FileBytes readBytes(const std::string &path, std::size_t maxBytes) {
  // Opened without waiting, so that a FIFO with no writer cannot stall the window.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) failRead(path, errno);
  File stream(::fdopen(fd, "rb"));
  if (!stream) {
    const int error = errno;
    ::close(fd);
    failRead(path, error);
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) failRead(path, errno);
  if (S_ISDIR(info.st_mode)) failRead(path, EISDIR);
  if (!S_ISREG(info.st_mode)) throw LoadError("Cannot read", path, "it is not a regular file.");
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FileBytes file{readStream(stream.get(), path, maxBytes), std::uintmax_t(info.st_size)};
  file.size = std::max<std::uintmax_t>(file.size, file.bytes.size());
  return file;
}

// A line end in a data text is CR and one more character; files written on
// Linux end lines with LF alone, so each LF that does not follow a CR gets one.
std::string withCrBeforeLoneLf(std::string bytes) {
  std::size_t lone = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) ++lone;
  if (lone == 0) return bytes;
  std::string out;
  out.reserve(bytes.size() + lone);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out += '\r';
    out += bytes[i];
  }
  return out;
}

void appendUtf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// Windows shells redirect output into UTF-16 files with a byte-order mark;
// such a file becomes UTF-8, anything else stays as it is. Unpaired
// surrogates and an odd last byte become U+FFFD.
std::string withUtf16AsUtf8(std::string bytes) {
  if (bytes.size() < 2) return bytes;
  const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
  const bool little = b0 == 0xFF && b1 == 0xFE, big = b0 == 0xFE && b1 == 0xFF;
  if (!little && !big) return bytes;
  auto unit = [&](std::size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    return big ? char32_t(first << 8 | second) : char32_t(second << 8 | first);
  };
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 2;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, c >= 0xD800 && c < 0xE000 ? char32_t(0xFFFD) : c);
  }
  if (i < bytes.size()) appendUtf8(out, 0xFFFD);
  return out;
}

// Spaces and blank lines at the end are invisible in an editor: the length
// that drops them after the last character that is neither a space nor a line
// end, keeping that line's own line end (a CR and the character after it, or
// a lone LF). A text of nothing else stays whole, for the loader to report.
std::size_t trimmedLength(std::string_view text) {
  const std::size_t last = text.find_last_not_of(" \r\n");
  if (last == std::string_view::npos) return text.size();
  const std::size_t end = last + 1;
  if (end < text.size() && text[end] == '\r') return std::min(end + 2, text.size());
  if (end < text.size() && text[end] == '\n') return end + 1;
  return end;
}

}  // namespace

std::string cVesk::readDefaultDirectory() { return Main.settings().readDefaultDirectory(); }

bool cVesk::vesk(MainForm &mainForm, Surface &mainPicture, Surface &xPicture, Surface &yPicture) {
  mainPicture.Cls();
  yPicture.Cls();
  xPicture.Cls();
  mainPicture.setDrawWidth(2);
  yPicture.setDrawWidth(1);
  xPicture.setDrawWidth(1);

  const std::string path = mainForm.showOpenDialog(readDefaultDirectory(), "vesk.dat");
  if (path.empty()) return false;
  veskFromFile(path, mainPicture);
  refresh(mainPicture, xPicture, yPicture);
  return true;
}

void cVesk::veskFromFile(const std::string &path, Surface &mainPicture) {
  const FileBytes file = readBytes(path, maxFileBytes);
  loadBytes(file.bytes, file.size, path, "file", mainPicture);
}

void cVesk::veskFromStandardInput(Surface &mainPicture) {
  const std::string bytes = readStream(stdin, "", maxFileBytes);
  loadBytes(bytes, bytes.size(), "", "text", mainPicture);
}

void cVesk::loadBytes(const std::string &bytes, std::uintmax_t size, const std::string &name, const char *what,
                      Surface &mainPicture) {
  const std::string kind = std::string(what) == "file" ? "the file" : "the text";
  if (bytes.empty()) failLoadNamed(name, kind + " is empty.");
  const std::string more =
      kind + " has more than " + std::to_string(maxTextLength) + " characters, the most a data file holds. ";
  if (bytes.size() > maxFileBytes) failLoadNamed(name, more + tooLongHint(std::size_t(size), what));

  // Decoded first, since the other two steps work on characters; the trim
  // comes after the line ends are mapped, so that it sees only CR LF pairs.
  // The length limit applies to the text that is loaded.
  const std::string decoded = withUtf16AsUtf8(bytes);
  std::string text = withCrBeforeLoneLf(decoded);
  text.resize(trimmedLength(text));
  if (text.empty()) failLoadNamed(name, kind + " is empty.");
  if (text.size() > maxTextLength) {
    if (trimmedLength(decoded) > maxTextLength) failLoadNamed(name, more + tooLongHint(text.size(), what));
    failLoadNamed(name, kind + " has " + std::to_string(text.size()) +
                            " characters once each line end is counted as CR LF; a data file holds at most " +
                            std::to_string(maxTextLength) + ". " + tooLongHint(text.size(), what));
  }
  try {
    load(text, mainPicture);
  } catch (const LoadError &e) {
    failLoadNamed(name, e.message());
  }
}

}  // namespace vesk
