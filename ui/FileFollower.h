#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace vesk {

// Watches one file and says when it has changed and the writes have settled:
// no further change for settleMs, or at the latest maxWaitMs after the first
// one, so that a file written without pause still gets read. Writers that
// save by writing a new file and renaming it, and by deleting and creating
// the file, are followed through the file's folder; while the file is
// missing it is looked for again every retryMs.
class FileFollower : public QObject {
  Q_OBJECT
public:
  explicit FileFollower(QObject *parent = nullptr, int settleMs = 200, int maxWaitMs = 1000, int retryMs = 500);

  // Follows path from its present state on ("" follows nothing).
  void follow(const QString &path);
  QString path() const { return file; }
  // Off, nothing is watched; back on, a change made meanwhile is reported.
  void setEnabled(bool on);
  bool isEnabled() const { return enabled; }

  // While held (a load or a dialog is under way), a settled change waits
  // until the last hold ends, so that two loads never overlap.
  class Hold {
  public:
    explicit Hold(FileFollower &follower);
    ~Hold();
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

  private:
    FileFollower &f;
  };

  // What the file looked like when last seen: changes are told by these.
  struct Stamp {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const Stamp &) const = default;
  };
  static Stamp stampOf(const QString &path);

signals:
  // The file changed since it was followed or last reported, and settled.
  void changed();
  // The file went away and stayed away while the writes settled; changed()
  // follows once it is back.
  void missing();

private:
  void look();
  void watch();
  void settled();

  QString file;
  bool enabled = true;
  int holds = 0;
  bool waiting = false;  // a settled change waits for the holds to end
  Stamp reported;        // the file as it was when followed or last reported
  Stamp seen;            // as it was at the last look
  QFileSystemWatcher watcher;
  QTimer settle;
  QTimer latest;
  QTimer retry;
};

}  // namespace vesk
