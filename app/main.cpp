#include "ui/Main.h"
#include "settings/SettingsFile.h"
#include "ui/CommandLine.h"
#include "ui/QtDialogs.h"
#include "export/Export.h"
#include "view/GraphView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <sys/stat.h>

#include <cstdio>

namespace {

// The desktop entry's name without ".desktop", as installed from app/share.
constexpr char desktopId[] = "org.vesk.Vesk";

// File names in the text go out byte for byte, as they came in.
void print(std::FILE *to, const QString &text) { std::fputs(vesk::argumentBytes(text).c_str(), to); }

// An export prints only its own errors: Qt's start-up notes (such as the one
// about XDG_RUNTIME_DIR) are dropped, and only Qt's own failures are shown.
void exportMessages(QtMsgType type, const QMessageLogContext &, const QString &message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) print(stderr, QStringLiteral("vesk: ") + message + u'\n');
}

// Draws without a display: a QGuiApplication on Qt's offscreen platform with
// no platform theme, at 96 DPI whatever the environment says, so that every export has the
// window's 720 x 478 pixels and 7.5 x 4.98 inches.
int exportGraphs(const vesk::CommandLine &line, char *program) {
  // A missing folder is said once, before anything is written, rather than once for each file.
  struct stat folder {};
  if (!line.exportFolder.empty() && (::stat(line.exportFolder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))) {
    const bool exists = ::stat(line.exportFolder.c_str(), &folder) == 0;
    std::fputs(("vesk: " + line.exportFolder + (exists ? ": not a folder.\n" : ": no such folder.\n")).c_str(), stderr);
    return 1;
  }
  qInstallMessageHandler(exportMessages);
  qputenv("QT_FONT_DPI", "96");
  // A platform theme (such as GTK's) would want a display and bring its palette.
  qunsetenv("QT_QPA_PLATFORMTHEME");
  char platformOption[] = "-platform";
  char offscreen[] = "offscreen";
  char *arguments[] = {program, platformOption, offscreen, nullptr};
  int count = 3;
  QGuiApplication app(count, arguments);
  QGuiApplication::setApplicationName("vesk");
  // PNG is built into Qt; with the platform up, no plugin is needed, and
  // writing an image would otherwise load every image-format plugin first.
  QCoreApplication::setLibraryPaths({});
  vesk::GraphView view(
      vesk::GraphView::windowFont(),
      vesk::SettingsFile(vesk::SettingsFile::userConfigFolder(),
                         vesk::SettingsFile::defaultFolderFor(vesk::SettingsFile::runningProgramFolder())),
      vesk::GraphView::screenTwipsPerPixel());
  return vesk::runExport(view, line.exports, line.exportSettings,
                         [](const std::string &error) { std::fputs((error + '\n').c_str(), stderr); });
}

}  // namespace

int main(int argc, char **argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << vesk::argumentFromBytes(argv[i]);
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
      print(stderr, QStringLiteral("vesk: ") + line.error + QStringLiteral("\nTry 'vesk --help'.\n"));
      return 2;
    case vesk::CommandLine::Action::Export:
      return exportGraphs(line, argv[0]);
    case vesk::CommandLine::Action::Window:
      break;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("vesk");
  // The desktop matches the window to its entry, org.vesk.Vesk.desktop, by this name.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(desktopId));
  vesk::QtDialogs dialogs;
  vesk::Main window(
      dialogs, vesk::SettingsFile(vesk::SettingsFile::userConfigFolder(),
                                  vesk::SettingsFile::defaultFolderFor(vesk::SettingsFile::runningProgramFolder())));
  dialogs.saveOwner = &window;
  window.show();
  // Opened once the window is up, so that a failure's message box has its owner on screen.
  if (!line.file.empty()) QTimer::singleShot(0, &window, [&] { window.openFile(line.file); });
  if (line.standardInput) QTimer::singleShot(0, &window, [&] { window.openStandardInput(); });
  return app.exec();
}
