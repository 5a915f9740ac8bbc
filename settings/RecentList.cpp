#include "settings/RecentList.h"

#include "settings/IniText.h"

#include <algorithm>

namespace vesk {

namespace {

std::string keyOf(std::size_t index) { return "File" + std::to_string(index + 1); }

bool storable(const std::string &path) {
  return !path.empty() && path.size() <= maxIniValueLength && path.find_first_of("\r\n") == std::string::npos &&
         path.front() != ' ' && path.back() != ' ' && path.front() != '\t' && path.back() != '\t';
}

}  // namespace

std::vector<std::string> RecentList::files() const {
  std::vector<std::string> list;
  for (std::size_t i = 0; i < maxFiles; ++i) {
    auto file = settings.getString(section, keyOf(i));
    if (file && std::find(list.begin(), list.end(), *file) == list.end()) list.push_back(std::move(*file));
  }
  return list;
}

void RecentList::add(const std::string &path) const {
  if (!storable(path)) return;
  std::vector<std::string> list = files();
  std::erase(list, path);
  list.insert(list.begin(), path);
  store(list);
}

void RecentList::remove(const std::string &path) const {
  std::vector<std::string> list = files();
  if (std::erase(list, path) > 0) store(list);
}

void RecentList::clear() const { store({}); }

void RecentList::store(const std::vector<std::string> &list) const {
  // Every key is written, an empty one for a free place, so that no entry of an earlier, longer list stays behind.
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < maxFiles; ++i) entries.emplace_back(keyOf(i), i < list.size() ? list[i] : std::string());
  settings.setStrings(section, entries);
}

}  // namespace vesk
