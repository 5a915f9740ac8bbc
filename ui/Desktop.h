#pragma once

#include <QIcon>

#include <string>

namespace vesk {

// The folder a file dialog starts in: folder when it is an existing folder
// given in full, else the user's home folder, so that a default folder that
// was removed or never existed does not leave the dialog in a relative place.
std::string usableFolder(const std::string &folder);

// The program's icon, drawn from the same SVG that is installed with it.
QIcon programIcon();

}  // namespace vesk
