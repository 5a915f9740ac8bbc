#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace vesk {

// Any failure to write a file, whoever writes it (the safe replacement, the
// JPEG writer, an export): a caller catches this one type. what() gives the
// reason and the file; reason() the reason alone, as a user reads it ("No
// space left on device"); fileName() the file that was being written.
class FileWriteError : public std::runtime_error {
public:
  FileWriteError(const std::string &reason, const std::string &fileName, int error = 0)
      : FileWriteError(reason + ": " + fileName, reason, fileName, error) {}
  const std::string &reason() const { return why; }
  const std::string &fileName() const { return file; }
  int error() const { return code; }  // errno, 0 when there is none

protected:
  // For a writer whose what() is its own text.
  FileWriteError(const std::string &what, std::string reason, std::string fileName, int error)
      : std::runtime_error(what), why(std::move(reason)), file(std::move(fileName)), code(error) {}

private:
  std::string why;
  std::string file;
  int code;
};

}  // namespace vesk
