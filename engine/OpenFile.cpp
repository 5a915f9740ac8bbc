#include "engine/cVesk.h"
#include "settings/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace vesk {

namespace {

struct FileCloser {
  void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string quoted(const std::string &path) { return "\"" + path + "\""; }

[[noreturn]] void failRead(const std::string &path, int error) {
  throw LoadError("Cannot read " + quoted(path) + ": " + std::strerror(error));
}

[[noreturn]] void failLoad(const std::string &path, std::string reason) {
  if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') reason[0] = char(reason[0] - 'A' + 'a');
  throw LoadError("Cannot load " + quoted(path) + ": " + reason);
}

// The file's bytes; reading stops after maxBytes + 1, since a longer text cannot be loaded anyway.
std::string readBytes(const std::string &path, std::size_t maxBytes) {
  // Opened without waiting, so that a FIFO with no writer cannot stall the window.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) failRead(path, errno);
  File file(::fdopen(fd, "rb"));
  if (!file) {
    const int error = errno;
    ::close(fd);
    failRead(path, error);
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) failRead(path, errno);
  if (S_ISDIR(info.st_mode)) failRead(path, EISDIR);
  if (!S_ISREG(info.st_mode)) throw LoadError("Cannot read " + quoted(path) + ": it is not a regular file.");
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::string bytes;
  char buffer[8192];
  while (bytes.size() <= maxBytes) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    bytes.append(buffer, n);
    if (n < sizeof buffer) {
      if (std::ferror(file.get())) failRead(path, errno);
      break;
    }
  }
  return bytes;
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
  const std::string bytes = readBytes(path, maxTextLength);
  if (bytes.empty()) failLoad(path, "the file is empty.");
  if (bytes.size() > maxTextLength)
    failLoad(path,
             "the file has more than " + std::to_string(maxTextLength) + " characters, the most a data file holds.");
  const std::string text = withCrBeforeLoneLf(bytes);
  if (text.size() > maxTextLength)
    failLoad(path, "the file has " + std::to_string(text.size()) +
                       " characters once each line end is counted as CR LF; a data file holds at most " +
                       std::to_string(maxTextLength) + ".");
  try {
    load(text, mainPicture);
  } catch (const LoadError &e) {
    failLoad(path, e.what());
  }
}

}  // namespace vesk
