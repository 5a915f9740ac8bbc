#pragma once

#include <string>

namespace vesk {

// Checks that fileName (UTF-8) holds a whole PDF file: its trailer is there
// and points at its cross-reference section. A writer that cannot report its
// own write errors (Qt's PDF engine on a full disk) leaves a file that fails
// this. Throws FileWriteError with the reason.
void checkPdfComplete(const std::string &fileName);

}  // namespace vesk
