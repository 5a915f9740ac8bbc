#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vesk {

// A file could not be written. what() gives the reason and the file;
// reason() the reason alone, as a user reads it ("No space left on device").
class FileWriteError : public std::runtime_error {
public:
  FileWriteError(const std::string &reason, const std::string &fileName, int error = 0);
  const std::string &reason() const { return why; }
  int error() const { return code; }  // errno, 0 when there is none

private:
  std::string why;
  int code;
};

// Replaces a file whole or not at all: the new content goes to a temporary file
// in the target's folder, which is renamed over the target only once it is
// complete and on disk. An earlier file survives any failure, and a replaced
// one keeps its permission bits, owner, and access and modification times; a
// new one gets 0666 less the umask. Through a symbolic link the file it names
// is replaced, not the link. The temporary file goes unless committed.
class SafeReplace {
public:
  // fileName is UTF-8. Throws FileWriteError when the target cannot be replaced.
  explicit SafeReplace(const std::string &fileName);
  ~SafeReplace();
  SafeReplace(const SafeReplace &) = delete;
  SafeReplace &operator=(const SafeReplace &) = delete;

  // The temporary file, for writers that open a file by name (UTF-8).
  std::string temporaryName() const;
  // Appends to the temporary file. Throws FileWriteError.
  void write(std::string_view bytes);
  // Makes the temporary file the target. Throws FileWriteError.
  void commit();

private:
  [[noreturn]] void fail(int error) const;

  std::string target;  // the file replaced, links resolved, in the local encoding
  std::string temp;
  int fd = -1;
  bool replacing = false;
  bool committed = false;
  long long earlierTimes[4] = {};  // access and modification times: seconds, nanoseconds
};

// Replaces fileName with bytes through SafeReplace. Throws FileWriteError.
void replaceFile(const std::string &fileName, std::string_view bytes);

}  // namespace vesk
