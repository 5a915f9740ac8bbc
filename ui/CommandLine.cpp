#include "ui/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <optional>

namespace vesk {

namespace {

void describe(QCommandLineParser &parser) {
  parser.setApplicationDescription(
      QStringLiteral("Vesk draws the graph that a data file describes.\n\n"
                     "Without a window, on a machine with no display:\n"
                     "  vesk --export OUTPUT INPUT\n"
                     "  vesk --export-dir DIR --format FMT INPUT...\n"
                     "An export prints only its errors, one line each, and exits with 1 when a file failed.\n\n"
                     "A FILE of - is standard input: \"vesk -\" shows the data piped to it, and\n"
                     "\"vesk --export OUTPUT -\" exports it. An OUTPUT of - is standard output,\n"
                     "in the format that --format names: seq 10 | ... | vesk --export - --format png -"));
  parser.addPositionalArgument(QStringLiteral("FILE"),
                               QStringLiteral("A data file to open in the window, or the data files to export."),
                               QStringLiteral("[FILE...]"));
  parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")});
  parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version and exit.")});
  parser.addOption({QStringLiteral("export"),
                    QStringLiteral("Write the graph of one data file to OUTPUT, in the format of its extension: "
                                   ".png, .jpg or .jpeg (raster images of the window), .pdf or .svg (vector "
                                   "drawings, 7.5 x 4.98 inches)."),
                    QStringLiteral("OUTPUT")});
  parser.addOption({QStringLiteral("export-dir"),
                    QStringLiteral("Write the graph of each data file to DIR, named after the data file with the "
                                   "extension of --format (A.dat gives DIR/A.png); goes on after a file that fails."),
                    QStringLiteral("DIR")});
  parser.addOption(
      {QStringLiteral("format"),
       QStringLiteral(
           "The format of --export-dir, or of --export - (standard output): png, jpg (or jpeg), pdf or svg."),
       QStringLiteral("FMT")});
  parser.addOption({QStringLiteral("quality"),
                    QStringLiteral("JPEG quality from 1 to 100 (default 90); other formats ignore it."),
                    QStringLiteral("N")});
  parser.addOption({QStringLiteral("scale"),
                    QStringLiteral("Draw PNG and JPEG at N times the pixels, 1 to 8 (default 1), for print; "
                                   "PDF and SVG are drawn at any size already."),
                    QStringLiteral("N")});
}

CommandLine usageError(const QString &error) {
  CommandLine line;
  line.action = CommandLine::Action::UsageError;
  line.error = error;
  return line;
}

// A whole number from lo to hi given to an option, or the error saying what it takes.
std::optional<int> wholeNumber(const QCommandLineParser &parser, const QString &name, int lo, int hi, QString &error) {
  bool ok = false;
  const int n = parser.value(name).toInt(&ok);
  if (ok && n >= lo && n <= hi) return n;
  error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\".")
              .arg(name)
              .arg(lo)
              .arg(hi)
              .arg(parser.value(name));
  return std::nullopt;
}

// The name of standard input or output in place of a file.
const QString standardStream = QStringLiteral("-");

QString samePlace(const QString &path) { return QFileInfo(path).absoluteFilePath(); }

CommandLine exportLine(const QCommandLineParser &parser) {
  const bool single = parser.isSet(QStringLiteral("export")), batch = parser.isSet(QStringLiteral("export-dir"));
  if (single && batch) return usageError(QStringLiteral("--export and --export-dir cannot be used together."));
  for (const char *name : {"export", "export-dir", "format", "quality", "scale"}) {
    if (parser.values(QString::fromLatin1(name)).size() > 1)
      return usageError(QStringLiteral("--%1 is given more than once.").arg(QString::fromLatin1(name)));
  }

  CommandLine line;
  line.action = CommandLine::Action::Export;
  QString error;
  if (parser.isSet(QStringLiteral("quality"))) {
    const auto quality = wholeNumber(parser, QStringLiteral("quality"), 1, 100, error);
    if (!quality) return usageError(error);
    line.exportSettings.quality = *quality;
  }
  if (parser.isSet(QStringLiteral("scale"))) {
    const auto scale = wholeNumber(parser, QStringLiteral("scale"), 1, 8, error);
    if (!scale) return usageError(error);
    line.exportSettings.scale = *scale;
  }

  const QStringList inputs = parser.positionalArguments();
  if (single) {
    const QString output = parser.value(QStringLiteral("export"));
    const bool toStandardOutput = output == standardStream;
    if (parser.isSet(QStringLiteral("format")) && !toStandardOutput)
      return usageError(
          QStringLiteral("--format goes with --export-dir or --export -; with --export FILE the output's extension "
                         "gives the format."));
    if (inputs.size() != 1)
      return usageError(inputs.isEmpty() ? QStringLiteral("--export needs the data file to draw.")
                                         : QStringLiteral("--export takes one data file; --export-dir takes several."));
    std::optional<ExportFormat> format;
    if (toStandardOutput) {
      if (!parser.isSet(QStringLiteral("format")))
        return usageError(QStringLiteral("--export - needs --format png, jpg, pdf or svg."));
      const QString name = parser.value(QStringLiteral("format"));
      format = exportFormatNamed(name.toStdString());
      if (!format)
        return usageError(QStringLiteral("Unknown format \"%1\"; use png, jpg, jpeg, pdf or svg.").arg(name));
    } else {
      format = exportFormatOfFile(output.toStdString());
      if (!format)
        return usageError(
            QStringLiteral("\"%1\": the output's extension must be .png, .jpg, .jpeg, .pdf or .svg.").arg(output));
    }
    line.exports.push_back({inputs.constFirst().toStdString(), output.toStdString(), *format});
  } else {
    if (inputs.contains(standardStream))
      return usageError(QStringLiteral("Standard input (-) can be exported with --export only."));
    if (!parser.isSet(QStringLiteral("format")))
      return usageError(QStringLiteral("--export-dir needs --format png, jpg, pdf or svg."));
    const QString name = parser.value(QStringLiteral("format"));
    const auto format = exportFormatNamed(name.toStdString());
    if (!format) return usageError(QStringLiteral("Unknown format \"%1\"; use png, jpg, jpeg, pdf or svg.").arg(name));
    if (inputs.isEmpty()) return usageError(QStringLiteral("--export-dir needs at least one data file."));
    const QDir dir(parser.value(QStringLiteral("export-dir")));
    const QString extension = QString::fromStdString(extensionOf(*format));
    for (const QString &input : inputs) {
      const QString output = dir.filePath(QFileInfo(input).completeBaseName() + u'.' + extension);
      for (const ExportItem &earlier : line.exports) {
        if (samePlace(QString::fromStdString(earlier.output)) == samePlace(output))
          return usageError(QStringLiteral("\"%1\" and \"%2\" would both be written to \"%3\".")
                                .arg(QString::fromStdString(earlier.input), input, output));
      }
      line.exports.push_back({input.toStdString(), output.toStdString(), *format});
    }
  }
  for (const ExportItem &item : line.exports) {
    if (item.input != "-" && item.output != "-" &&
        samePlace(QString::fromStdString(item.input)) == samePlace(QString::fromStdString(item.output)))
      return usageError(
          QStringLiteral("\"%1\" would be written over its own data file.").arg(QString::fromStdString(item.output)));
  }
  return line;
}

}  // namespace

CommandLine parseCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  describe(parser);
  if (!parser.parse(arguments)) return usageError(parser.errorText());
  CommandLine line;
  if (parser.isSet(QStringLiteral("help"))) {
    line.action = CommandLine::Action::Help;
    return line;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    line.action = CommandLine::Action::Version;
    return line;
  }
  if (parser.isSet(QStringLiteral("export")) || parser.isSet(QStringLiteral("export-dir"))) return exportLine(parser);
  for (const char *name : {"format", "quality", "scale"}) {
    if (parser.isSet(QString::fromLatin1(name)))
      return usageError(QStringLiteral("--%1 goes with --export or --export-dir.").arg(QString::fromLatin1(name)));
  }
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return usageError(QStringLiteral("Only one file can be opened in the window."));
  if (files == QStringList{standardStream})
    line.standardInput = true;
  else if (!files.isEmpty())
    line.file = files.constFirst().toStdString();
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
