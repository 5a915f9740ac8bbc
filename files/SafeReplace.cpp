#include "files/SafeReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vesk {

namespace {

// The temporary files being written, for the signal handler to remove: a
// few slots, since a program writes one file at a time.
std::array<std::atomic<const char *>, 8> pending{};

void removePendingAndDie(int signal) {
  for (auto &slot : pending)
    if (const char *name = slot.load()) ::unlink(name);
  // The usual end for the signal: its default action, with the status a shell expects.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Installed on first use, and only where the signal still has its default
// action, so that a signal ignored by the caller (nohup) stays ignored.
void installSignalCleanup() {
  static const bool installed = [] {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction current {};
      if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
      struct sigaction cleanup {};
      cleanup.sa_handler = removePendingAndDie;
      sigemptyset(&cleanup.sa_mask);
      ::sigaction(signal, &cleanup, nullptr);
    }
    return true;
  }();
  (void)installed;
}

void track(const std::string &name) {
  for (auto &slot : pending) {
    const char *none = nullptr;
    if (slot.compare_exchange_strong(none, name.c_str())) return;
  }
}

void untrack(const std::string &name) {
  for (auto &slot : pending) {
    const char *mine = name.c_str();
    if (slot.compare_exchange_strong(mine, nullptr)) return;
  }
}

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

void SafeReplace::fail(int error) const { throw FileWriteError(std::strerror(error), shownName, error); }

SafeReplace::SafeReplace(const std::string &fileName, FileTimes fileTimes)
    : shownName(fileName), target(fileName), times(fileTimes) {
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
  installSignalCleanup();
  fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    temp.clear();
    fail(error);
  }
  track(temp);

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
  untrack(temp);
}

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
  if (replacing && times == FileTimes::kept) {
    // Linux keeps no settable creation time: access and modification times carry over.
    const struct timespec earlier[2] = {{time_t(earlierTimes[0]), long(earlierTimes[1])},
                                        {time_t(earlierTimes[2]), long(earlierTimes[3])}};
    ::futimens(fd, earlier);
  }
  if (::fsync(fd) != 0) fail(errno);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno);
  committed = true;
}

void replaceFile(const std::string &fileName, std::string_view bytes, FileTimes times) {
  SafeReplace file(fileName, times);
  file.write(bytes);
  file.commit();
}

void replaceThroughTemporary(const std::string &fileName, const std::function<void(SafeReplace &)> &write,
                             const std::function<void(const std::string &temporaryName)> &check) {
  SafeReplace file(fileName);
  write(file);
  check(file.temporaryName());
  file.commit();
}

}  // namespace vesk
