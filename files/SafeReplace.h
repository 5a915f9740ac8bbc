#pragma once

#include "files/WriteError.h"

#include <functional>
#include <string>
#include <string_view>

namespace vesk {

// What a replaced file's access and modification times become.
enum class FileTimes {
  ofWriting,  // the time of writing, so that build tools see a new file
  kept,       // the earlier file's (Save as JPEG)
};

// Replaces a file whole or not at all: the new content goes to a temporary file
// in the target's folder, which is renamed over the target only once it is
// complete and on disk. An earlier file survives any failure, and a replaced
// one keeps its permission bits and owner (and its times when asked); a new
// one gets 0666 less the umask. Through a symbolic link the file it names is
// replaced, not the link. The temporary file goes unless committed, also when
// SIGINT, SIGTERM or SIGHUP ends the program while it exists.
class SafeReplace {
public:
  // fileName is taken byte for byte, whatever its encoding. Throws
  // FileWriteError when the target cannot be replaced.
  explicit SafeReplace(const std::string &fileName, FileTimes times = FileTimes::ofWriting);
  ~SafeReplace();
  SafeReplace(const SafeReplace &) = delete;
  SafeReplace &operator=(const SafeReplace &) = delete;

  // The temporary file, for writers that open a file by name.
  std::string temporaryName() const { return temp; }
  // Appends to the temporary file. Throws FileWriteError.
  void write(std::string_view bytes);
  // Makes the temporary file the target. Throws FileWriteError.
  void commit();

private:
  [[noreturn]] void fail(int error) const;

  std::string shownName;  // as the caller named it, for messages
  std::string target;     // the file replaced, links resolved
  std::string temp;
  int fd = -1;
  bool replacing = false;
  bool committed = false;
  FileTimes times;
  long long earlierTimes[4] = {};  // access and modification times: seconds, nanoseconds
};

// Replaces fileName with bytes through SafeReplace. Throws FileWriteError.
void replaceFile(const std::string &fileName, std::string_view bytes, FileTimes times = FileTimes::ofWriting);

// The one way to replace a file that a writer fills and that must be checked
// before it counts: write fills the temporary file (through its name or its
// write()), check then reads back what was written and throws FileWriteError
// when it is not whole, and only then does the temporary file become fileName.
// Whatever write or check throws goes on to the caller, the earlier file kept
// and the temporary file removed.
void replaceThroughTemporary(const std::string &fileName, const std::function<void(SafeReplace &)> &write,
                             const std::function<void(const std::string &temporaryName)> &check);

}  // namespace vesk
