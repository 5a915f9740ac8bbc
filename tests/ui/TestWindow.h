#pragma once

#include "settings/SettingsFile.h"
#include "tests/support/Files.h"
#include "tests/ui/FakeDialogs.h"
#include "ui/Main.h"

#include <QAction>

#include <memory>
#include <optional>
#include <string>

namespace vesk::test {

// The main window on scripted dialogs, with a settings folder and a data
// folder of its own; the program's folder is the settings folder unless given.
struct TestWindow {
  explicit TestWindow(const std::optional<std::string> &programFolder = std::nullopt)
      : main(std::make_unique<Main>(dialogs, SettingsFile(config.path(), programFolder.value_or(config.path().string())))) {}
  TempDir config, data;
  FakeDialogs dialogs;
  std::unique_ptr<Main> main;
  Main *operator->() const { return main.get(); }
  // File > Open, answered with path.
  void open(const std::string &path) {
    dialogs.openAnswer = path;
    main->mnOpen->trigger();
  }
};

}  // namespace vesk::test
