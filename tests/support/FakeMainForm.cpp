#include "tests/support/FakeMainForm.h"

#include <cstdlib>
#include <random>
#include <stdexcept>

namespace vesk::test {

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() / ("vesk-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      dir = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

FakeMainForm::FakeMainForm() : settingsFile(configDir.path(), "/opt/vesk") {}

std::string FakeMainForm::showOpenDialog(const std::string &initDir, const std::string &fileName) {
  openCalls.push_back({initDir, fileName});
  return openAnswer;
}

void FakeMainForm::messageBox(const std::string &text, const std::string &title) { messages.push_back({text, title}); }

std::filesystem::path sourcePath(const std::string &relative) {
  const char *root = std::getenv("VESK_SOURCE_DIR");
  return std::filesystem::path(root ? root : VESK_SOURCE_DIR_DEFAULT) / relative;
}

}  // namespace vesk::test
