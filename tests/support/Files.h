#pragma once

#include <QLocale>

#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

namespace vesk::test {

inline std::string readFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The lines, each ended with CR LF, as a data text.
inline std::string crlf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto &l : lines) text += l + "\r\n";
  return text;
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

// While it lives, writes past a file size fail part-way as on a full disk, for
// root too (EFBIG instead of ENOSPC).
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved);
    handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
  }
  FileSizeLimit(const FileSizeLimit &) = delete;
  FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
  struct rlimit saved {};
  void (*handler)(int) = nullptr;
};

}  // namespace vesk::test
