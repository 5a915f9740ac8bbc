#include "export/mIntelJPEGLibrary.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <turbojpeg.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <utility>

namespace vesk {
namespace {

constexpr int kEncoderFailure = -1;

struct TjHandleDeleter {
  void operator()(void *handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

struct TjBufferDeleter {
  void operator()(unsigned char *buffer) const { tjFree(buffer); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjBufferDeleter>;

[[noreturn]] void failInit(int code, const std::string &detail) {
  throw JpegError("Failed to initialise the IJL library: " + std::to_string(code), detail);
}

[[noreturn]] void failSave(int code, const std::string &detail) {
  throw JpegError("Failed to save to JPG " + std::to_string(code), detail);
}

[[noreturn]] void failFile(int error, const QByteArray &path) {
  failSave(error, std::string(std::strerror(error)) + ": " + QFile::decodeName(path).toStdString());
}

// A temporary file that is closed, and removed unless committed.
class TempFile {
public:
  explicit TempFile(QByteArray pathTemplate) : path(std::move(pathTemplate)) {
    fd = ::mkostemp(path.data(), O_CLOEXEC);
    created = fd >= 0;
  }
  ~TempFile() {
    if (fd >= 0) ::close(fd);
    if (created && !committed) ::unlink(path.constData());
  }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;

  bool isOpen() const { return fd >= 0; }
  int descriptor() const { return fd; }
  const QByteArray &name() const { return path; }
  // False with errno set when the close reports an error.
  bool close() {
    const int result = ::close(fd);
    fd = -1;
    return result == 0;
  }
  void commit() { committed = true; }

private:
  QByteArray path;
  int fd = -1;
  bool created = false;
  bool committed = false;
};

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

bool writeAll(int fd, const unsigned char *data, unsigned long size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<unsigned long>(written);
  }
  return true;
}

// Writes the bytes under a temporary name in the target's folder and renames
// that over the target only once it is complete and on disk.
void replaceFile(const std::string &fileName, const unsigned char *data, unsigned long size) {
  QByteArray path = QFile::encodeName(QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size())));
  if (path.isEmpty()) failFile(ENOENT, path);

  struct stat linkInfo {};
  if (::lstat(path.constData(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
    // Replace the file a symbolic link names, not the link.
    if (char *resolved = ::realpath(path.constData(), nullptr)) {
      path = resolved;
      std::free(resolved);
    }
  }

  struct stat earlier {};
  const bool replacing = ::stat(path.constData(), &earlier) == 0;
  if (replacing) {
    if (S_ISDIR(earlier.st_mode)) failFile(EISDIR, path);
    if (!S_ISREG(earlier.st_mode)) failFile(EINVAL, path);
    if (::access(path.constData(), W_OK) != 0) failFile(errno, path);
  } else if (errno != ENOENT) {
    failFile(errno, path);
  }

  const qsizetype slash = path.lastIndexOf('/');
  TempFile temp((slash < 0 ? QByteArray() : path.left(slash + 1)) + ".vesk-XXXXXX");
  if (!temp.isOpen()) failFile(errno, path);
  const int fd = temp.descriptor();

  if (replacing) {
    // Owner and permission bits carry over where allowed; a failure here is not one of the save.
    [[maybe_unused]] const int owned = ::fchown(fd, earlier.st_uid, earlier.st_gid);
    ::fchmod(fd, earlier.st_mode & 07777);
  } else {
    ::fchmod(fd, 0666 & ~currentUmask());
  }

  if (!writeAll(fd, data, size)) failFile(errno, path);
  if (replacing) {
    // Linux keeps no settable creation time: access and modification times carry over.
    const struct timespec times[2] = {earlier.st_atim, earlier.st_mtim};
    ::futimens(fd, times);
  }
  if (::fsync(fd) != 0) failFile(errno, path);
  if (!temp.close()) failFile(errno, path);
  if (::rename(temp.name().constData(), path.constData()) != 0) failFile(errno, path);
  temp.commit();
}

}  // namespace

JpegError::JpegError(const std::string &description, const std::string &detail)
    : std::runtime_error(description + ": " + detail), source_("vesk.mIntelJPEGLibrary"), description_(description) {}

bool WriteJpegFile(const cDIBSection &dib, const std::string &fileName, int quality) {
  const TjHandle handle(tjInitCompress());
  if (!handle) failInit(kEncoderFailure, tjGetErrorStr2(nullptr));
  if (dib.DIBSectionBitsPtr() == nullptr) failSave(kEncoderFailure, "the picture is empty");

  unsigned char *jpeg = nullptr;
  unsigned long jpegSize = 0;
  const int result = tjCompress2(handle.get(), dib.DIBSectionBitsPtr(), dib.Width(), dib.BytesPerScanLine(),
                                 dib.Height(), TJPF_BGR, &jpeg, &jpegSize, TJSAMP_420, quality, TJFLAG_BOTTOMUP);
  const TjBuffer owner(jpeg);
  if (result != 0) failSave(kEncoderFailure, tjGetErrorStr2(handle.get()));
  replaceFile(fileName, owner.get(), jpegSize);
  return true;
}

}  // namespace vesk
