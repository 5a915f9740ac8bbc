#pragma once

#include "files/WriteError.h"

#include <functional>
#include <string>
#include <string_view>

namespace vesk {

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

// Replaces fileName through a writer that opens its file by name: write gets
// the temporary file's name (UTF-8), check then reads back what was written
// and throws FileWriteError when it is not whole, and only then does the
// temporary file become fileName. Whatever write or check throws goes on to
// the caller, the earlier file kept and the temporary file removed.
void replaceThroughTemporary(const std::string &fileName, const std::function<void(const std::string &)> &write,
                             const std::function<void(const std::string &)> &check);

}  // namespace vesk
