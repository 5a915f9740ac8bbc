#include "export/mCommonDialog.h"

#include <utility>
#include <vector>

namespace vesk {
namespace {

constexpr std::int32_t kOverwritePrompt = 0x2;
constexpr std::int32_t kHideReadOnly = 0x4;
constexpr std::int32_t kEnableHook = 0x20;
constexpr std::int32_t kEnableTemplate = 0x40;

std::string convertFilter(const std::string &filter) {
  std::string converted = filter;
  for (char &c : converted) {
    if (c == '|' || c == ':') c = '\0';
  }
  converted.append(2, '\0');
  return converted;
}

// The (description, pattern) pairs of a converted filter, up to the empty
// entry that ends it.
std::vector<std::pair<std::string, std::string>> filterPairs(const std::string &converted) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start < converted.size()) {
    const std::size_t end = converted.find('\0', start);
    const std::size_t stop = end == std::string::npos ? converted.size() : end;
    if (stop == start) break;
    entries.push_back(converted.substr(start, stop - start));
    start = stop + 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i < entries.size(); i += 2) {
    pairs.emplace_back(entries[i], i + 1 < entries.size() ? entries[i + 1] : std::string());
  }
  return pairs;
}

}  // namespace

std::string TrimAtNull(const std::string &text) { return text.substr(0, text.find('\0')); }

// A pair that would start on an empty entry lies past the list's end, and a
// list without the final NULs ends with its last pair: neither wraps around
// to the first pair.
std::string LookupFilterPair(const std::string &list, std::int32_t n) {
  if (n < 1) return {};
  std::size_t start = 0;
  for (;;) {
    const std::size_t first = list.find('\0', start);
    if (first == std::string::npos || first == start) return {};
    const std::size_t second = list.find('\0', first + 1);
    if (n == 1) return list.substr(start, second == std::string::npos ? std::string::npos : second - start);
    if (second == std::string::npos) return {};
    start = second + 1;
    --n;
  }
}

bool ShowSaveFileDialog(std::string &fileName, std::string &fileTitle, bool &overwritePrompt, std::string &filter,
                        std::int32_t &filterIndex, std::string &initialFolder, std::string &dialogTitle,
                        std::string &defaultExtension, SaveDialogs &owner, std::int32_t &flags) {
  const std::string converted = convertFilter(filter);
  const std::int32_t dialogFlags =
      (overwritePrompt ? kOverwritePrompt : 0) | kHideReadOnly | (flags & ~(kEnableHook | kEnableTemplate));

  SaveFileRequest request;
  request.fileName = fileName;
  request.fileTitle = fileTitle;
  request.overwritePrompt = overwritePrompt;
  request.filters = filterPairs(converted);
  request.filterIndex = filterIndex;
  request.initialFolder = initialFolder;
  request.dialogTitle = dialogTitle;
  request.defaultExtension = defaultExtension;

  const std::optional<SaveFileAnswer> answer = owner.getSaveFileName(request);
  const std::string chosen = answer ? TrimAtNull(answer->fileName) : std::string();
  if (chosen.empty()) {
    fileName.clear();
    fileTitle.clear();
    filter.clear();
    filterIndex = 0;
    flags = 0;
    return false;
  }
  fileName = chosen;
  const std::size_t slash = chosen.find_last_of('/');
  fileTitle = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
  flags = dialogFlags;
  filterIndex = answer->filterIndex;
  filter = LookupFilterPair(converted, filterIndex);
  return true;
}

}  // namespace vesk
