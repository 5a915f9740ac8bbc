#include "ui/RecentFiles.h"

#include "ui/RecentlyUsed.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace vesk {

RecentFilesMenu::RecentFilesMenu(QWidget *parent, const SettingsFile &settings,
                                 std::function<void(const std::string &)> open)
    : QObject(parent),
      recentlyUsed(recentlyUsedFile()),
      list(settings),
      open(std::move(open)),
      submenu(new QMenu(QStringLiteral("Open Recent"), parent)) {
  connect(submenu, &QMenu::aboutToShow, this, &RecentFilesMenu::rebuild);
  rebuild();
}

void RecentFilesMenu::add(const std::string &path) {
  const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  // The list is a convenience: a settings file that cannot be written does not stop an Open.
  try {
    list.add(absolute.toStdString());
  } catch (const SettingsError &) {
  }
  // After the graph is on screen: the desktop's list may be locked a while by another program.
  if (!recentlyUsed.isEmpty())
    QMetaObject::invokeMethod(
        this, [absolute, file = recentlyUsed] { addToRecentlyUsed(absolute, file); }, Qt::QueuedConnection);
}

void RecentFilesMenu::remove(const std::string &path) {
  try {
    list.remove(path);
  } catch (const SettingsError &) {
  }
}

void RecentFilesMenu::rebuild() {
  submenu->clear();
  const std::vector<std::string> files = list.files();
  int number = 0;
  for (const std::string &file : files) {
    const QString path = QString::fromStdString(file);
    // Numbered for the keyboard: 1 to 9, then 0 for the tenth.
    const int key = ++number % 10;
    QAction *entry = submenu->addAction(
        QStringLiteral("&%1 %2").arg(key).arg(QString(path).replace(QStringLiteral("&"), QStringLiteral("&&"))));
    entry->setData(path);
    entry->setEnabled(QFileInfo(path).isFile());
    connect(entry, &QAction::triggered, this, [this, file] { open(file); });
  }
  if (!files.empty()) submenu->addSeparator();
  QAction *clear = submenu->addAction(QStringLiteral("Clear List"));
  clear->setEnabled(!files.empty());
  connect(clear, &QAction::triggered, this, [this] {
    try {
      list.clear();
    } catch (const SettingsError &) {
    }
  });
}

}  // namespace vesk
