#pragma once

#include "files/WriteError.h"

#include <functional>
#include <string>

namespace vesk {

// Checks that fileName (byte for byte) holds a whole PDF file: its trailer is there
// and points at its cross-reference section. A writer that cannot report its
// own write errors (Qt's PDF engine on a full disk) leaves a file that fails
// this. Throws FileWriteError with the reason.
void checkPdfComplete(const std::string &fileName);

class SafeReplace;

// Replaces fileName with the PDF that write puts in the temporary file it is
// given, once checkPdfComplete finds it whole. Throws FileWriteError, and
// whatever write throws; an earlier file survives either.
void replacePdf(const std::string &fileName, const std::function<void(SafeReplace &file)> &write);

}  // namespace vesk
