#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vesk {

// A settings file could not be read or written; the message names the file.
class SettingsError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// "dorvesk.ini" in a given folder, read and written afresh at every use.
// Section and key names match case-insensitively; a missing file, section or
// key, or an empty value, counts as missing; values are cut after 1,999 characters.
class SettingsFile {
public:
  static constexpr const char *fileName = "dorvesk.ini";
  static constexpr const char *section = "Options";
  static constexpr const char *directoryKey = "Default Directory";
  static constexpr const char *fontSizeKey = "Default Font Size";
  static constexpr const char *defaultFontSizeText = "9.0";
  static constexpr double defaultFontSize = 9.0;
  // The window's own choices, apart from the options.
  static constexpr const char *viewSection = "View";
  static constexpr const char *followFileKey = "Follow File";

  // folder: where the file lives; programFolder: the default for "Default Directory".
  SettingsFile(std::filesystem::path folder, std::string programFolder);

  // The user's configuration folder ($XDG_CONFIG_HOME or ~/.config).
  static std::filesystem::path userConfigFolder();
  // The folder of the running executable.
  static std::string runningProgramFolder();
  // The default for "Default Directory": programFolder when the user may
  // write there, else the user's home folder (an installed program's folder
  // is no place for a user's graphs).
  static std::string defaultFolderFor(const std::string &programFolder);

  std::filesystem::path path() const;

  // The stored folder; when missing, the program's folder, written back (a failed write is ignored).
  std::string readDefaultDirectory() const;
  // The stored label font size; when missing "9.0" is written back. A value that is not a number gives 9.0.
  double readDefaultFontSize() const;
  // The stored label font size as readDefaultFontSize gives it, 9.0 when missing; writes nothing.
  double storedFontSize() const;
  // Writes both values exactly as given, folder first. Throws SettingsError.
  void writeOptions(const std::string &directory, const std::string &fontSizeText) const;
  // File > Follow File: on unless stored as "0", "false", "off" or "no". Reading writes nothing.
  bool readFollowFile() const;
  // Stores "1" or "0". Throws SettingsError.
  void writeFollowFile(bool on) const;

  // The profile functions underneath.
  std::optional<std::string> getString(const std::string &sectionName, const std::string &key) const;
  void setString(const std::string &sectionName, const std::string &key, const std::string &value) const;
  // Sets several keys in one replacement of the file: all are written or none. Throws SettingsError.
  void setStrings(const std::string &sectionName,
                  const std::vector<std::pair<std::string, std::string>> &entries) const;

private:
  std::filesystem::path folder;
  std::string progFolder;
};

// Reads a number written by a user or by the options dialog: the locale's
// decimal separator and '.' are both accepted. Empty when it is not a number.
std::optional<double> parseLocaleNumber(const std::string &text);

}  // namespace vesk
