#pragma once

#include <QLocale>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vesk::test {

inline std::string readFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::filesystem::path &path, const std::string &content) {
  std::ofstream(path, std::ios::binary) << content;
}

// Switches the default locale for one test and restores it afterwards.
class LocaleGuard {
public:
  explicit LocaleGuard(const QLocale &locale) { QLocale::setDefault(locale); }
  ~LocaleGuard() { QLocale::setDefault(saved); }
  LocaleGuard(const LocaleGuard &) = delete;
  LocaleGuard &operator=(const LocaleGuard &) = delete;

private:
  QLocale saved;
};

}  // namespace vesk::test
