#include "settings/SettingsFile.h"

#include "settings/IniText.h"

#include "files/SafeReplace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <cmath>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace vesk {

namespace {

// A stored font size; a value that is not a positive number gives the default.
double fontSizeFrom(const std::string &stored) {
  const auto size = parseLocaleNumber(stored);
  return size && *size > 0 ? *size : SettingsFile::defaultFontSize;
}

QString qPath(const std::filesystem::path &p) { return QString::fromStdString(p.string()); }

// The whole file, or empty when it is missing or cannot be read.
std::optional<std::string> readWhole(const std::filesystem::path &path, QString *error = nullptr) {
  QFile file(qPath(path));
  const QFileInfo info(file);
  if (info.isDir()) {
    if (error) *error = QStringLiteral("it is a folder");
    return std::nullopt;
  }
  // Opening a FIFO or a device could wait for ever.
  if (info.exists() && !info.isFile()) {
    if (error) *error = QStringLiteral("it is not a regular file");
    return std::nullopt;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  return bytes.toStdString();
}

std::optional<double> toNumber(const QLocale &locale, const QString &text) {
  bool ok = false;
  double v = locale.toDouble(text, &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path folder, std::string programFolder)
    : folder(std::move(folder)), progFolder(std::move(programFolder)) {}

std::filesystem::path SettingsFile::userConfigFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
}

std::string SettingsFile::runningProgramFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path().string();
  return QDir::cleanPath(QCoreApplication::applicationDirPath()).toStdString();
}

std::string SettingsFile::defaultFolderFor(const std::string &programFolder) {
  if (!programFolder.empty() && ::access(programFolder.c_str(), W_OK) == 0) return programFolder;
  return QDir::homePath().toStdString();
}

std::filesystem::path SettingsFile::path() const { return folder / fileName; }

std::optional<std::string> SettingsFile::getString(const std::string &sectionName, const std::string &key) const {
  auto content = readWhole(path());
  if (!content) return std::nullopt;
  return iniLookup(*content, sectionName, key);
}

void SettingsFile::setString(const std::string &sectionName, const std::string &key, const std::string &value) const {
  setStrings(sectionName, {{key, value}});
}

void SettingsFile::setStrings(const std::string &sectionName,
                              const std::vector<std::pair<std::string, std::string>> &entries) const {
  const auto file = path();
  auto fail = [&](const QString &reason) {
    throw SettingsError("Cannot write the settings file \"" + file.string() + "\": " + reason.toStdString());
  };
  for (const auto &[key, value] : entries) {
    if (value.find_first_of("\r\n") != std::string::npos) fail(QStringLiteral("a value cannot hold a line break"));
  }

  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) fail(QString::fromStdString(ec.message()));

  // A file that exists but cannot be read is not replaced: what the user kept in it would be lost.
  std::string content;
  if (QFileInfo::exists(qPath(file)) || QFileInfo(qPath(file)).isSymLink()) {
    QString error;
    auto old = readWhole(file, &error);
    if (!old) fail(error);
    content = std::move(*old);
  }
  const std::string updated = iniAssign(content, sectionName, entries);

  try {
    replaceFile(file.string(), updated);
  } catch (const FileWriteError &e) {
    fail(QString::fromStdString(e.reason()));
  }
}

std::string SettingsFile::readDefaultDirectory() const {
  if (auto stored = getString(section, directoryKey)) return *stored;
  try {
    setString(section, directoryKey, progFolder);
  } catch (const SettingsError &) {
    // The program's folder is still used for this run; the next read tries again.
  }
  return progFolder;
}

double SettingsFile::readDefaultFontSize() const {
  auto stored = getString(section, fontSizeKey);
  if (!stored) {
    try {
      setString(section, fontSizeKey, defaultFontSizeText);
    } catch (const SettingsError &) {
    }
    return defaultFontSize;
  }
  return fontSizeFrom(*stored);
}

double SettingsFile::storedFontSize() const {
  const auto stored = getString(section, fontSizeKey);
  return stored ? fontSizeFrom(*stored) : defaultFontSize;
}

void SettingsFile::writeOptions(const std::string &directory, const std::string &fontSizeText) const {
  setStrings(section, {{directoryKey, directory}, {fontSizeKey, fontSizeText}});
}

bool SettingsFile::readFollowFile() const {
  const auto stored = getString(viewSection, followFileKey);
  if (!stored) return true;
  const QString value = QString::fromStdString(*stored).trimmed().toLower();
  return !(value == "0" || value == "false" || value == "off" || value == "no");
}

void SettingsFile::writeFollowFile(bool on) const { setString(viewSection, followFileKey, on ? "1" : "0"); }

std::optional<double> parseLocaleNumber(const std::string &text) {
  // Group separators are refused: in a decimal-comma locale "9.0" would otherwise read as 90.
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
  QLocale c = QLocale::c();
  c.setNumberOptions(c.numberOptions() | QLocale::RejectGroupSeparator);
  const QString q = QString::fromStdString(text);
  if (auto v = toNumber(locale, q)) return v;
  return toNumber(c, q);
}

}  // namespace vesk
