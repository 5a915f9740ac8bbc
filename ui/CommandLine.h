#pragma once

#include "export/Export.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace vesk {

// What the program was asked to do on its command line.
struct CommandLine {
  enum class Action { Window, Help, Version, UsageError, Export };
  Action action = Action::Window;
  std::string file;  // the data file the window opens at start, if any
  // "-" for FILE: the window opens the data text read from standard input.
  bool standardInput = false;
  QString error;  // for UsageError: what was wrong
  // For Export: each data file with its output, and the options for all.
  std::vector<ExportItem> exports;
  ExportSettings exportSettings;
  std::string exportFolder;  // --export-dir's folder, byte for byte; empty for --export
};

// Reads the arguments, the program's name first. Needs no application object,
// so that --help and --version work without a display.
CommandLine parseCommandLine(const QStringList &arguments);

// An argument as the parser reads it: its UTF-8 text, with each byte that is
// not part of valid UTF-8 kept as a character of its own (U+DC80 + byte), so
// that argumentBytes gives back every file name byte for byte.
QString argumentFromBytes(const char *bytes);
std::string argumentBytes(const QString &argument);

// The usage text that --help prints.
QString usageText();

// "vesk" and the version, as --version prints it.
QString versionText();

}  // namespace vesk
