#include "ui/LoadProgress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>

namespace vesk {

namespace {

class ProgressBar final : public LoadProgress {
public:
  ProgressBar(QWidget *owner, const std::string &path)
      : owner(owner), name(QFileInfo(QString::fromStdString(path)).fileName()) {
    clock.start();
  }

  bool update(double share) override {
    constexpr qint64 quietMs = 500;  // a short load shows nothing
    if (!bar) {
      if (clock.elapsed() < quietMs) return true;
      bar = std::make_unique<QProgressDialog>(QString("Loading %1 ...").arg(name), "Cancel", 0, steps, owner);
      bar->setWindowTitle("vesk");
      bar->setWindowModality(Qt::WindowModal);
      bar->setMinimumDuration(0);
      bar->setAutoClose(false);
      bar->setAutoReset(false);
      bar->show();
    }
    bar->setValue(int(share * steps));
    // Only the bar takes input meanwhile (it is modal); the window repaints.
    QCoreApplication::processEvents();
    return !bar->wasCanceled();
  }

private:
  static constexpr int steps = 1000;
  QWidget *owner;
  QString name;
  QElapsedTimer clock;
  std::unique_ptr<QProgressDialog> bar;
};

}  // namespace

std::unique_ptr<LoadProgress> makeProgressBar(QWidget *owner, const std::string &path) {
  return std::make_unique<ProgressBar>(owner, path);
}

}  // namespace vesk
