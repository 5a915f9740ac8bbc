#include "ui/Main.h"
#include "settings/SettingsFile.h"
#include "ui/CommandLine.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

void print(std::FILE *to, const QString &text) { std::fputs(text.toLocal8Bit().constData(), to); }

}  // namespace

int main(int argc, char **argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // Read before the application starts, so that --help needs no display.
  const vesk::CommandLine line = vesk::parseCommandLine(arguments);
  switch (line.action) {
    case vesk::CommandLine::Action::Help:
      print(stdout, vesk::usageText());
      return 0;
    case vesk::CommandLine::Action::Version:
      print(stdout, vesk::versionText());
      return 0;
    case vesk::CommandLine::Action::UsageError:
      print(stderr, QStringLiteral("vesk: ") + line.error + QStringLiteral("\n\n") + vesk::usageText());
      return 2;
    case vesk::CommandLine::Action::Window:
      break;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("vesk");
  vesk::QtDialogs dialogs;
  vesk::Main window(
      dialogs, vesk::SettingsFile(vesk::SettingsFile::userConfigFolder(), vesk::SettingsFile::runningProgramFolder()));
  dialogs.saveOwner = &window;
  window.show();
  // Opened once the window is up, so that a failure's message box has its owner on screen.
  if (!line.file.empty()) QTimer::singleShot(0, &window, [&] { window.openFile(line.file); });
  return app.exec();
}
