#include "engine/TextSource.h"
#include "engine/cVesk.h"
#include "settings/SettingsFile.h"

#include <fcntl.h>
#include <sys/mman.h>
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

struct Descriptor {
  int fd;
  explicit Descriptor(int fd) : fd(fd) {}
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  ~Descriptor() { ::close(fd); }
};

// path: the data file, or "" for standard input, which messages name unquoted.
[[noreturn]] void failRead(const std::string &path, int error) {
  const std::string reason = std::string(std::strerror(error)) + ".";
  if (path.empty()) throw LoadError("Cannot read", "standard input", reason, false);
  throw LoadError("Cannot read", path, reason);
}

[[noreturn]] void failLoad(const std::string &path, std::string reason) {
  if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') reason[0] = char(reason[0] - 'A' + 'a');
  if (path.empty()) throw LoadError("Cannot load", "standard input", std::move(reason), false);
  throw LoadError("Cannot load", path, std::move(reason));
}

bool isBlank(char32_t c) { return c == ' ' || c == '\r' || c == '\n'; }

// A data file as the loader reads it, a buffer at a time: a file that starts
// with a UTF-16 byte-order mark is turned into UTF-8, each LF that does not
// follow a CR gets one (a line end in a data text is CR and one more
// character; files written on Linux end lines with LF alone), and the text
// stops before the spaces and blank lines at the end of the file.
class FileText : public TextSource {
public:
  FileText(const std::string &path, int fd, std::uint64_t size, std::uint64_t limit)
      : path(path), fd(fd), size(size), limit(limit), raw(new char[rawCapacity]) {
    unsigned char bom[2] = {0, 0};
    if (size >= 2 && ::pread(fd, bom, 2, 0) == 2) {
      little = bom[0] == 0xFF && bom[1] == 0xFE;
      big = bom[0] == 0xFE && bom[1] == 0xFF;
    }
    first = utf16() ? 2 : 0;
    rawRead = first;
  }

  // Finds where the text ends; before it, nothing is read.
  void trim() {
    cut = trimmedEnd();
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  }

  bool utf16() const { return little || big; }
  bool empty() const { return cut <= first; }

  std::size_t read(char *out, std::size_t room) override {
    const std::size_t n = transform(out, room);
    written += n;
    if (written > limit) tooLong();
    return n;
  }
  std::uint64_t remainingAtMost() const override {
    // A byte gives at most two characters (an LF its CR), a UTF-16 unit three, an odd last byte three.
    return 2 * (cut - rawRead) + (rawEnd - rawPos) * 2 + 3;
  }
  double fractionRead() const override { return cut == 0 ? 1 : double(rawRead - (rawEnd - rawPos)) / double(cut); }

private:
  static constexpr std::size_t rawCapacity = std::size_t(1) << 20;

  // The length of the file without the spaces and blank lines after its last
  // character that is neither a space nor a line end, keeping that line's own
  // line end (a CR and the character after it, or a lone LF, which gets its
  // CR). A file of nothing else stays whole, for the loader to report.
  std::uint64_t trimmedEnd() {
    const std::uint64_t unit = utf16() ? 2 : 1;
    if ((size - first) % unit != 0) return size;  // an odd last byte becomes U+FFFD
    std::uint64_t at = size;
    std::uint64_t last = size;  // none yet
    while (at > first && last == size) {
      const std::uint64_t from = std::max<std::uint64_t>(first, at - std::min<std::uint64_t>(at - first, 65536));
      const std::size_t length = std::size_t(at - from);
      if (!readAt(raw.get(), length, from)) return size;
      for (std::size_t i = length; i >= unit; i -= unit) {
        if (!isBlank(unitAt(raw.get() + i - unit))) {
          last = from + i - unit;
          break;
        }
      }
      at = from;
    }
    if (last == size) return size;
    const std::uint64_t after = last + unit;
    if (after >= size) return after;
    char next[2];
    if (!readAt(next, std::size_t(unit), after)) return size;
    if (unitAt(next) == '\r') return std::min(after + 2 * unit, size);
    if (unitAt(next) == '\n') return after + unit;
    return after;
  }

  bool readAt(char *out, std::size_t length, std::uint64_t at) {
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = ::pread(fd, out + done, length - done, off_t(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failRead(path, errno);
      if (n == 0) return false;
      done += std::size_t(n);
    }
    return true;
  }

  char32_t unitAt(const char *p) const {
    const auto a = static_cast<unsigned char>(p[0]);
    if (!utf16()) return a;
    const auto b = static_cast<unsigned char>(p[1]);
    return big ? char32_t(a << 8 | b) : char32_t(b << 8 | a);
  }

  // Keeps the unread raw bytes and reads more, up to the cut; false at the cut.
  bool fillRaw() {
    const std::size_t kept = rawEnd - rawPos;
    std::memmove(raw.get(), raw.get() + rawPos, kept);
    rawPos = 0;
    rawEnd = kept;
    const std::size_t want = std::size_t(std::min<std::uint64_t>(rawCapacity - kept, cut - rawRead));
    if (want == 0) return false;
    ssize_t n;
    do n = ::pread(fd, raw.get() + kept, want, off_t(rawRead));
    while (n < 0 && errno == EINTR);
    if (n < 0) failRead(path, errno);
    if (n == 0) {
      cut = rawRead;  // the file shrank while it was read
      return false;
    }
    rawRead += std::uint64_t(n);
    rawEnd += std::size_t(n);
    return true;
  }

  std::size_t transform(char *out, std::size_t room) {
    std::size_t n = 0;
    while (n == 0 || n + TextSource::minRoom <= room) {
      if (rawEnd - rawPos < 4 && !fillRaw() && rawPos == rawEnd) break;
      n += utf16() ? decodeUtf16(out + n, room - n) : copyUtf8(out + n, room - n);
    }
    return n;
  }

  std::size_t copyUtf8(char *out, std::size_t room) {
    const char *p = raw.get() + rawPos;
    const char *const e = raw.get() + rawEnd;
    std::size_t n = 0;
    auto one = [&](char c) {
      if (c == '\n' && !afterCr) {
        out[n++] = '\r';
        ++crsAdded;
      }
      out[n++] = c;
      afterCr = c == '\r';
    };
    // Eight bytes at a time while they hold no LF; lines are short, so no
    // call per line.
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080, lfs = 0x0A0A0A0A0A0A0A0A;
    while (e - p >= 8 && n + 16 <= room) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      const std::uint64_t x = word ^ lfs;
      if (((x - ones) & ~x & highs) == 0) {
        std::memcpy(out + n, p, 8);
        n += 8;
        afterCr = p[7] == '\r';
        p += 8;
      } else {
        for (int k = 0; k < 8; ++k) one(*p++);
      }
    }
    while (p < e && n + 2 <= room) one(*p++);
    rawPos = std::size_t(p - raw.get());
    return n;
  }

  // Unpaired surrogates and an odd last byte become U+FFFD.
  std::size_t decodeUtf16(char *out, std::size_t room) {
    std::size_t n = 0;
    while (n + 5 <= room) {
      const std::size_t left = rawEnd - rawPos;
      const bool atCut = rawRead == cut;
      if (left < 4 && !atCut) break;  // more to read first
      if (left == 0) break;
      char32_t c = 0xFFFD;
      if (left == 1) {
        rawPos += 1;
      } else {
        c = unitAt(raw.get() + rawPos);
        rawPos += 2;
        if (c >= 0xD800 && c < 0xDC00 && left >= 4) {
          const char32_t low = unitAt(raw.get() + rawPos);
          if (low >= 0xDC00 && low < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            rawPos += 2;
          }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
      }
      if (c == '\n' && !afterCr) {
        out[n++] = '\r';
        ++crsAdded;
      }
      afterCr = c == '\r';
      n += appendUtf8(out + n, c);
    }
    return n;
  }

  static std::size_t appendUtf8(char *out, char32_t c) {
    if (c < 0x80) {
      out[0] = char(c);
      return 1;
    }
    if (c < 0x800) {
      out[0] = char(0xC0 | (c >> 6));
      out[1] = char(0x80 | (c & 0x3F));
      return 2;
    }
    if (c < 0x10000) {
      out[0] = char(0xE0 | (c >> 12));
      out[1] = char(0x80 | ((c >> 6) & 0x3F));
      out[2] = char(0x80 | (c & 0x3F));
      return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
  }

  // The text grew past the limit: its whole length is counted for the message.
  [[noreturn]] void tooLong() {
    std::uint64_t total = written;
    std::unique_ptr<char[]> scratch(new char[65536]);
    while (const std::size_t n = transform(scratch.get(), 65536)) total += n;
    const std::string hint = cVesk::tooLongHint(total, "file", limit);
    if (total - crsAdded > limit)
      throw LoadError("the file has more than " + std::to_string(limit) + " characters, the most a data file holds. " +
                      hint);
    throw LoadError("the file has " + std::to_string(total) +
                    " characters once each line end is counted as CR LF; a data file holds at most " +
                    std::to_string(limit) + ". " + hint);
  }

  const std::string path;
  const int fd;
  const std::uint64_t size;
  const std::uint64_t limit;
  bool little = false;
  bool big = false;
  std::uint64_t first = 0;    // where the text starts, after a byte-order mark
  std::uint64_t cut = 0;      // where it ends
  std::uint64_t rawRead = 0;  // file offset read up to
  std::unique_ptr<char[]> raw;
  std::size_t rawPos = 0;
  std::size_t rawEnd = 0;
  bool afterCr = false;
  std::uint64_t written = 0;
  std::uint64_t crsAdded = 0;
};

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
  veskFromFile(path, mainPicture, maxTextLength);
}

void cVesk::veskFromFile(const std::string &path, Surface &mainPicture, std::uint64_t limit) {
  m = GraphModel{};
  // Opened without waiting, so that a FIFO with no writer cannot stall the window.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) failRead(path, errno);
  const Descriptor closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) failRead(path, errno);
  if (S_ISDIR(info.st_mode)) failRead(path, EISDIR);
  if (!S_ISREG(info.st_mode)) throw LoadError("Cannot read", path, "it is not a regular file.");
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  veskFromDescriptor(path, fd, std::uint64_t(info.st_size), mainPicture, limit);
}

void cVesk::veskFromStandardInput(Surface &mainPicture) {
  m = GraphModel{};
  // A pipe cannot be read from its end, as the trimming of blanks needs: the
  // text is kept in a file in memory first, up to the most a data text holds.
  const int fd = ::memfd_create("vesk-standard-input", MFD_CLOEXEC);
  if (fd < 0) failRead("", errno);
  const Descriptor closer{fd};
  // UTF-16 takes two bytes for each character.
  const std::uint64_t most = 2 * std::uint64_t(maxTextLength) + 2;
  std::uint64_t size = 0;
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.get(), 1 << 16);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failRead("", errno);
    if (n == 0) break;
    size += std::uint64_t(n);
    if (size > most) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(fd, buffer.get() + done, std::size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) failRead("", errno);
      done += w;
    }
  }
  veskFromDescriptor("", fd, size, mainPicture, maxTextLength);
}

void cVesk::veskFromDescriptor(const std::string &path, int fd, std::uint64_t size, Surface &mainPicture,
                               std::uint64_t limit) {
  const char *what = path.empty() ? "text" : "file";
  const std::string kind = path.empty() ? "the text" : "the file";
  if (size == 0) failLoad(path, kind + " is empty.");

  FileText text(path, fd, size, limit);
  // Refused before it is read: a file that cannot come down to limit
  // characters (UTF-16 takes at least two bytes for each).
  if (size > (text.utf16() ? 2 * limit + 2 : limit))
    failLoad(path, kind + " has more than " + std::to_string(limit) + " characters, the most a data file holds. " +
                       tooLongHint(size, what, limit));
  text.trim();
  if (text.empty()) failLoad(path, kind + " is empty.");
  try {
    load(text, mainPicture);
  } catch (const LoadError &e) {
    failLoad(path, e.message());
  }
}

}  // namespace vesk
