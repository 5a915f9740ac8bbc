#include "ui/CommandLine.h"

#include <QCommandLineParser>

namespace vesk {

namespace {

void describe(QCommandLineParser &parser) {
  parser.setApplicationDescription(QStringLiteral("Vesk draws the graph that a data file describes."));
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A data file to open in the window."),
                               QStringLiteral("[FILE]"));
  parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")});
  parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and exit.")});
}

}  // namespace

CommandLine parseCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  describe(parser);
  CommandLine line;
  if (!parser.parse(arguments)) {
    line.action = CommandLine::Action::UsageError;
    line.error = parser.errorText();
    return line;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    line.action = CommandLine::Action::Help;
    return line;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    line.action = CommandLine::Action::Version;
    return line;
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    line.action = CommandLine::Action::UsageError;
    line.error = QStringLiteral("Only one file can be opened in the window.");
    return line;
  }
  if (!files.isEmpty()) line.file = files.constFirst().toStdString();
  return line;
}

QString usageText() {
  QCommandLineParser parser;
  describe(parser);
  // helpText() names the running program; the program is always "vesk".
  QString text = parser.helpText();
  const qsizetype usage = text.indexOf(QStringLiteral("Usage: "));
  const qsizetype space = text.indexOf(u' ', usage + 7);
  if (usage >= 0 && space > 0) text.replace(usage + 7, space - usage - 7, QStringLiteral("vesk"));
  return text;
}

QString versionText() { return QStringLiteral("vesk " VESK_VERSION "\n"); }

}  // namespace vesk
