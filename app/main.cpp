#include "ui/Main.h"
#include "settings/SettingsFile.h"
#include "ui/QtDialogs.h"

#include <QApplication>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("vesk");
  vesk::QtDialogs dialogs;
  vesk::Main window(
      dialogs, vesk::SettingsFile(vesk::SettingsFile::userConfigFolder(), vesk::SettingsFile::runningProgramFolder()));
  dialogs.saveOwner = &window;
  window.show();
  return app.exec();
}
