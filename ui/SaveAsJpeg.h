#pragma once

#include "export/SaveDialogs.h"

#include <string>

class QMainWindow;

namespace vesk {

// File > Save as JPEG: captures form's client area, asks dialogs for a file
// name (proposing DefaultDirectory + "/vesk.jpg") and writes the picture at
// quality 90; a failed write shows a warning. Cancelling writes and shows nothing.
void saveAsJpeg(QMainWindow &form, const std::string &DefaultDirectory, SaveDialogs &dialogs);

}  // namespace vesk
