#pragma once

#include <QDateTime>
#include <QString>

namespace vesk {

// The desktop's list of recently used files: $XDG_DATA_HOME/recently-used.xbel
// (~/.local/share when unset).
QString recentlyUsedFile();

// Records that Vesk opened path (a local file, made absolute) at now in the
// desktop's list xbelFile. The file is edited under its lock and replaced
// whole; every other program's bookmark, and other programs' records on this
// file's bookmark, are kept. A list that cannot be read or parsed is left
// alone. False when nothing was written.
bool addToRecentlyUsed(const QString &path, const QString &xbelFile = recentlyUsedFile(),
                       const QDateTime &now = QDateTime::currentDateTimeUtc());

}  // namespace vesk
