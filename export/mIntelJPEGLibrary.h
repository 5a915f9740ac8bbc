#pragma once

#include "export/cDIBSection.h"
#include "files/SafeReplace.h"
#include "files/WriteError.h"

#include <string>

namespace vesk {

// Every failure of the JPEG writer. description is one of the two fixed texts
// followed by a code; what() adds what went wrong and where; reason() says
// what went wrong alone, as a user reads it ("No space left on device").
class JpegError : public FileWriteError {
public:
  static constexpr int kNumber = 26001;

  // reason defaults to detail.
  JpegError(const std::string &description, const std::string &detail, std::string reason = {},
            std::string fileName = {}, int error = 0);

  int number() const { return kNumber; }
  const std::string &source() const { return source_; }
  const std::string &description() const { return description_; }

private:
  std::string source_;
  std::string description_;
};

// How WriteJpegFile writes its file beyond the picture.
struct JpegFileOptions {
  FileTimes times = FileTimes::kept;  // a replaced file keeps its times, as Save as JPEG has it
  int dotsPerInch = 0;                // the density the file declares; 0 declares none (an aspect ratio of 1)
};

// Writes the buffer to fileName (byte for byte) as a JPEG file of the given
// quality (1 to 100). The file is written whole or not at all: an earlier
// file of that name survives any failure, and a replaced one keeps its
// permission bits, owner and (unless options say otherwise) access and
// modification times. Throws JpegError on any failure, an empty buffer included.
void WriteJpegFile(const cDIBSection &dib, const std::string &fileName, int quality,
                   const JpegFileOptions &options = {});

}  // namespace vesk
