#include "ui/FileFollower.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace vesk {

FileFollower::FileFollower(QObject *parent, int settleMs, int maxWaitMs, int retryMs) : QObject(parent) {
  settle.setSingleShot(true);
  settle.setInterval(settleMs);
  latest.setSingleShot(true);
  latest.setInterval(maxWaitMs);
  retry.setInterval(retryMs);
  connect(&settle, &QTimer::timeout, this, &FileFollower::settled);
  connect(&latest, &QTimer::timeout, this, &FileFollower::settled);
  connect(&retry, &QTimer::timeout, this, &FileFollower::look);
  connect(&watcher, &QFileSystemWatcher::fileChanged, this, &FileFollower::look);
  connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &FileFollower::look);
}

FileFollower::Stamp FileFollower::stampOf(const QString &path) {
  struct stat info {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0) return {};
  return {true,
          std::uint64_t(info.st_dev),
          std::uint64_t(info.st_ino),
          std::uint64_t(info.st_size),
          std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
          std::int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

void FileFollower::follow(const QString &path) {
  file = path;
  reported = seen = stampOf(file);
  settle.stop();
  latest.stop();
  waiting = false;
  watch();
}

void FileFollower::setEnabled(bool on) {
  if (on == enabled) return;
  enabled = on;
  watch();
  if (on) look();
}

void FileFollower::watch() {
  const QString folder = file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
  const bool wanted = enabled && !file.isEmpty();
  // Paths of an earlier file, or all of them when off.
  for (const QString &path : watcher.files())
    if (!wanted || path != file) watcher.removePath(path);
  for (const QString &path : watcher.directories())
    if (!wanted || path != folder) watcher.removePath(path);
  if (!wanted) {
    retry.stop();
    settle.stop();
    latest.stop();
    return;
  }
  // Either can be missing; the retry looks again until both are there.
  const bool folderWatched = watcher.directories().contains(folder) || watcher.addPath(folder);
  const bool fileWatched = watcher.files().contains(file) || watcher.addPath(file);
  if (folderWatched && fileWatched)
    retry.stop();
  else if (!retry.isActive())
    retry.start();
}

void FileFollower::look() {
  if (!enabled || file.isEmpty()) return;
  // A file renamed over or removed is no longer watched: it is added again.
  watch();
  const Stamp now = stampOf(file);
  if (now == seen) return;
  seen = now;
  settle.start();
  if (!latest.isActive()) latest.start();
}

void FileFollower::settled() {
  settle.stop();
  latest.stop();
  if (!seen.exists) {
    // Gone or half replaced: read again once it is back.
    if (reported.exists) {
      reported = seen;
      emit missing();
    }
    return;
  }
  if (seen == reported) return;
  if (holds > 0) {
    waiting = true;
    return;
  }
  reported = seen;
  emit changed();
}

FileFollower::Hold::Hold(FileFollower &follower) : f(follower) { ++f.holds; }

FileFollower::Hold::~Hold() {
  if (--f.holds == 0 && f.waiting) {
    f.waiting = false;
    // Looked at afresh: the file may have changed again while held.
    f.look();
    f.settle.start();
  }
}

}  // namespace vesk
