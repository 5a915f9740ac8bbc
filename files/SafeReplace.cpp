#include "files/SafeReplace.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vesk {

namespace {

std::string local(const std::string &utf8) {
  return QFile::encodeName(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))).toStdString();
}

std::string utf8(const std::string &local) { return QFile::decodeName(QByteArray::fromStdString(local)).toStdString(); }

mode_t currentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

}  // namespace

void SafeReplace::fail(int error) const { throw FileWriteError(std::strerror(error), utf8(target), error); }

SafeReplace::SafeReplace(const std::string &fileName) : target(local(fileName)) {
  if (target.empty()) fail(ENOENT);

  struct stat linkInfo {};
  if (::lstat(target.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
    if (char *resolved = ::realpath(target.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }

  struct stat earlier {};
  replacing = ::stat(target.c_str(), &earlier) == 0;
  if (replacing) {
    if (S_ISDIR(earlier.st_mode)) fail(EISDIR);
    if (!S_ISREG(earlier.st_mode)) fail(EINVAL);
    if (::access(target.c_str(), W_OK) != 0) fail(errno);
  } else if (errno != ENOENT) {
    fail(errno);
  }

  const std::size_t slash = target.rfind('/');
  temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".vesk-XXXXXX";
  fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    temp.clear();
    fail(error);
  }

  if (replacing) {
    // Owner and permission bits carry over where allowed; a failure here is not one of the write.
    [[maybe_unused]] const int owned = ::fchown(fd, earlier.st_uid, earlier.st_gid);
    ::fchmod(fd, earlier.st_mode & 07777);
    earlierTimes[0] = earlier.st_atim.tv_sec;
    earlierTimes[1] = earlier.st_atim.tv_nsec;
    earlierTimes[2] = earlier.st_mtim.tv_sec;
    earlierTimes[3] = earlier.st_mtim.tv_nsec;
  } else {
    ::fchmod(fd, 0666 & ~currentUmask());
  }
}

SafeReplace::~SafeReplace() {
  if (fd >= 0) ::close(fd);
  if (!committed && !temp.empty()) ::unlink(temp.c_str());
}

std::string SafeReplace::temporaryName() const { return utf8(temp); }

void SafeReplace::write(std::string_view bytes) {
  const char *data = bytes.data();
  std::size_t size = bytes.size();
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    data += written;
    size -= std::size_t(written);
  }
}

void SafeReplace::commit() {
  if (replacing) {
    // Linux keeps no settable creation time: access and modification times carry over.
    const struct timespec times[2] = {{time_t(earlierTimes[0]), long(earlierTimes[1])},
                                      {time_t(earlierTimes[2]), long(earlierTimes[3])}};
    ::futimens(fd, times);
  }
  if (::fsync(fd) != 0) fail(errno);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno);
  committed = true;
}

void replaceFile(const std::string &fileName, std::string_view bytes) {
  SafeReplace file(fileName);
  file.write(bytes);
  file.commit();
}

void replaceThroughTemporary(const std::string &fileName, const std::function<void(const std::string &)> &write,
                             const std::function<void(const std::string &)> &check) {
  SafeReplace file(fileName);
  write(file.temporaryName());
  check(file.temporaryName());
  file.commit();
}

}  // namespace vesk
