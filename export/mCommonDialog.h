#pragma once

#include "export/SaveDialogs.h"

#include <cstdint>
#include <string>

namespace vesk {

// Asks owner for a file name to save to. filter holds description/pattern
// pairs separated by "|" (":" also separates); filterIndex is 1-based; an
// empty initialFolder, dialogTitle or defaultExtension is absent. On success
// (true) fileName is the chosen path, fileTitle its name without the folder,
// filter the chosen pair as description NUL pattern, filterIndex the chosen
// pair and flags the dialog's flags. On cancel (false) fileName, fileTitle
// and filter are emptied and filterIndex and flags are 0.
bool ShowSaveFileDialog(std::string &fileName, std::string &fileTitle, bool &overwritePrompt, std::string &filter,
                        std::int32_t &filterIndex, std::string &initialFolder, std::string &dialogTitle,
                        std::string &defaultExtension, SaveDialogs &owner, std::int32_t &flags);

// text up to, not including, its first NUL.
std::string TrimAtNull(const std::string &text);

// The n-th (1-based) description NUL pattern pair of a NUL-separated filter
// list; empty when the list has no such pair.
std::string LookupFilterPair(const std::string &list, std::int32_t n);

}  // namespace vesk
