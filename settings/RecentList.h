#pragma once

#include "settings/SettingsFile.h"

#include <string>
#include <vector>

namespace vesk {

// The files opened last, newest first, kept in the settings file in a section
// of their own ("File1" to "File10" of "Recent Files"); the rest of the file
// stays as it was. Read and written afresh at every use, as the options are.
class RecentList {
public:
  static constexpr const char *section = "Recent Files";
  static constexpr std::size_t maxFiles = 10;

  explicit RecentList(const SettingsFile &settings) : settings(settings) {}

  std::vector<std::string> files() const;
  // Puts path first, dropping an earlier entry for it and the eleventh. A
  // path that the file could not give back as it stands (a line break,
  // blanks at either end, more than a value holds) is not kept. Throws SettingsError.
  void add(const std::string &path) const;
  // Throws SettingsError.
  void remove(const std::string &path) const;
  void clear() const;

private:
  void store(const std::vector<std::string> &list) const;

  const SettingsFile &settings;
};

}  // namespace vesk
