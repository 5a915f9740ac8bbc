#pragma once

#include "settings/RecentList.h"

#include <QObject>

#include <functional>
#include <string>

class QMenu;
class QWidget;

namespace vesk {

class SettingsFile;

// File > Open Recent: the recent list as a submenu, rebuilt each time it
// opens (never while one of its entries is being handled), with "Clear List" at its foot. A file that no longer exists
// is greyed. Each file opened is also added to the desktop's recently-used list.
class RecentFilesMenu : public QObject {
  Q_OBJECT
public:
  RecentFilesMenu(QWidget *parent, const SettingsFile &settings, std::function<void(const std::string &)> open);

  QMenu *menu() const { return submenu; }
  // Puts a file just opened first, in the settings file and on the desktop's list.
  void add(const std::string &path);
  void remove(const std::string &path);
  // Fills the menu from the settings file.
  void rebuild();

  // Where the desktop's list is written; empty writes none.
  QString recentlyUsed;

private:
  RecentList list;
  std::function<void(const std::string &)> open;
  QMenu *submenu;
};

}  // namespace vesk
