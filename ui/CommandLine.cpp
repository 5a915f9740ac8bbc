#include "ui/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <optional>
#include <utility>

namespace vesk {

namespace {

void describe(QCommandLineParser &parser) {
  parser.setApplicationDescription(
      QStringLiteral("Vesk draws the graph that a data file describes.\n\n"
                     "Without a window, on a machine with no display:\n"
                     "  vesk --export OUTPUT INPUT\n"
                     "  vesk --export-dir DIR --format FMT INPUT...\n"
                     "An export prints only its errors, one line each, and exits with 1 when a file failed.\n\n"
                     "Keys in the window:\n"
                     "  Ctrl+O  Open          Ctrl+P  Print        Ctrl+S  Save as JPEG   Ctrl+Q  Exit\n"
                     "  Z       zoom into the dragged rectangle     Escape  whole graph, history emptied\n"
                     "  F5      read the file again (File > Follow File does it on every change)\n"
                     "  Backspace or Alt+Left  previous view    Alt+Right  next view\n"
                     "  + and -  zoom about the centre          arrow keys  pan a zoomed view by a tenth\n"
                     "  mouse wheel  zoom about the pointer     Ctrl+drag   pan a zoomed view\n\n"
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

// The length of the valid UTF-8 sequence at the start of bytes, or 0.
std::size_t utf8Length(const unsigned char *bytes, std::size_t size) {
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  char32_t min = 0, code = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (size < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (bytes[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return 0;
  return length;
}

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
      format = exportFormatOfFile(argumentBytes(output));
      if (!format)
        return usageError(
            QStringLiteral("\"%1\": the output's extension must be .png, .jpg, .jpeg, .pdf or .svg.").arg(output));
    }
    line.exports.push_back({argumentBytes(inputs.constFirst()), argumentBytes(output), *format});
  } else {
    if (inputs.contains(standardStream))
      return usageError(QStringLiteral("Standard input (-) can be exported with --export only."));
    if (!parser.isSet(QStringLiteral("format")))
      return usageError(QStringLiteral("--export-dir needs --format png, jpg, pdf or svg."));
    const QString name = parser.value(QStringLiteral("format"));
    const auto format = exportFormatNamed(name.toStdString());
    if (!format) return usageError(QStringLiteral("Unknown format \"%1\"; use png, jpg, jpeg, pdf or svg.").arg(name));
    if (inputs.isEmpty()) return usageError(QStringLiteral("--export-dir needs at least one data file."));
    const QString folder = parser.value(QStringLiteral("export-dir"));
    const QDir dir(folder);
    const QString extension = QString::fromStdString(extensionOf(*format));
    for (const QString &input : inputs) {
      const QString output = dir.filePath(QFileInfo(input).completeBaseName() + u'.' + extension);
      for (const ExportItem &earlier : line.exports) {
        if (samePlace(argumentFromBytes(earlier.output.c_str())) == samePlace(output))
          return usageError(QStringLiteral("\"%1\" and \"%2\" would both be written to \"%3\".")
                                .arg(argumentFromBytes(earlier.input.c_str()), input, output));
      }
      line.exports.push_back({argumentBytes(input), argumentBytes(output), *format});
    }
    line.exportFolder = argumentBytes(folder);
  }
  // An output that is a data file under another name (a symbolic or hard
  // link) would destroy the data before it is read.
  std::map<std::pair<dev_t, ino_t>, const ExportItem *> dataFiles;
  for (const ExportItem &item : line.exports) {
    struct stat info {};
    if (::stat(item.input.c_str(), &info) == 0) dataFiles.emplace(std::pair{info.st_dev, info.st_ino}, &item);
  }
  for (const ExportItem &item : line.exports) {
    if (item.input == "-" || item.output == "-") continue;
    const QString output = argumentFromBytes(item.output.c_str());
    if (samePlace(argumentFromBytes(item.input.c_str())) == samePlace(output))
      return usageError(QStringLiteral("\"%1\" would be written over its own data file.").arg(output));
    struct stat info {};
    if (::stat(item.output.c_str(), &info) != 0) continue;
    const auto data = dataFiles.find({info.st_dev, info.st_ino});
    if (data != dataFiles.end())
      return usageError(QStringLiteral("\"%1\" is the data file \"%2\"; it would be written over.")
                            .arg(output, argumentFromBytes(data->second->input.c_str())));
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
    line.file = argumentBytes(files.constFirst());
  return line;
}

QString argumentFromBytes(const char *bytes) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes);
  const std::size_t size = std::strlen(bytes);
  QString text;
  std::size_t i = 0;
  while (i < size) {
    std::size_t run = i;
    while (run < size) {
      const std::size_t length = utf8Length(p + run, size - run);
      if (length == 0) break;
      run += length;
    }
    text += QString::fromUtf8(bytes + i, qsizetype(run - i));
    if (run < size) text += QChar(char16_t(0xDC00 + p[run++]));
    i = run;
  }
  return text;
}

std::string argumentBytes(const QString &argument) {
  std::string bytes;
  qsizetype start = 0;
  const auto flush = [&](qsizetype end) {
    bytes += argument.mid(start, end - start).toStdString();
  };
  for (qsizetype i = 0; i < argument.size(); ++i) {
    const char16_t unit = argument.at(i).unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < argument.size() && argument.at(i + 1).isLowSurrogate()) {
      ++i;
    } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
      flush(i);
      bytes += char(unit - 0xDC00);
      start = i + 1;
    }
  }
  flush(argument.size());
  return bytes;
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
