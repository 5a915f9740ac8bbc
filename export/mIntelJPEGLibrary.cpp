#include "export/mIntelJPEGLibrary.h"

#include "files/SafeReplace.h"

#include <turbojpeg.h>

#include <cstring>
#include <memory>
#include <string_view>
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

[[noreturn]] void failInit(int code, const std::string &detail, const std::string &fileName) {
  throw JpegError("Failed to initialise the IJL library: " + std::to_string(code), detail, {}, fileName);
}

[[noreturn]] void failSave(int code, const std::string &detail, const std::string &fileName,
                           const std::string &reason = {}) {
  throw JpegError("Failed to save to JPG " + std::to_string(code), detail, reason, fileName, code > 0 ? code : 0);
}

// Sets the density of a JFIF header in dots per inch.
void setDensity(unsigned char *jpeg, unsigned long size, int dotsPerInch) {
  constexpr unsigned char app0[] = {0xFF, 0xD8, 0xFF, 0xE0};
  if (dotsPerInch <= 0 || dotsPerInch > 0xFFFF || size < 18 || std::memcmp(jpeg, app0, 4) != 0 ||
      std::memcmp(jpeg + 6, "JFIF", 5) != 0)
    return;
  jpeg[13] = 1;  // dots per inch
  for (int at : {14, 16}) {
    jpeg[at] = static_cast<unsigned char>(dotsPerInch >> 8);
    jpeg[at + 1] = static_cast<unsigned char>(dotsPerInch & 0xFF);
  }
}

}  // namespace

JpegError::JpegError(const std::string &description, const std::string &detail, std::string reason,
                     std::string fileName, int error)
    : FileWriteError(description + ": " + detail, reason.empty() ? detail : std::move(reason), std::move(fileName),
                     error),
      source_("vesk.mIntelJPEGLibrary"),
      description_(description) {}

void WriteJpegFile(const cDIBSection &dib, const std::string &fileName, int quality, const JpegFileOptions &options) {
  const TjHandle handle(tjInitCompress());
  if (!handle) failInit(kEncoderFailure, tjGetErrorStr2(nullptr), fileName);
  if (dib.DIBSectionBitsPtr() == nullptr) failSave(kEncoderFailure, "the picture is empty", fileName);

  unsigned char *jpeg = nullptr;
  unsigned long jpegSize = 0;
  const int result = tjCompress2(handle.get(), dib.DIBSectionBitsPtr(), dib.Width(), dib.BytesPerScanLine(),
                                 dib.Height(), TJPF_BGR, &jpeg, &jpegSize, TJSAMP_420, quality, TJFLAG_BOTTOMUP);
  const TjBuffer owner(jpeg);
  if (result != 0) failSave(kEncoderFailure, tjGetErrorStr2(handle.get()), fileName);
  setDensity(owner.get(), jpegSize, options.dotsPerInch);
  try {
    replaceFile(fileName, std::string_view(reinterpret_cast<const char *>(owner.get()), jpegSize), options.times);
  } catch (const FileWriteError &e) {
    failSave(e.error(), e.what(), fileName, e.reason());
  }
}

}  // namespace vesk
