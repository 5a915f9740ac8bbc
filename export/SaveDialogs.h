#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk {

// What a save-file dialog is asked to show.
struct SaveFileRequest {
  std::string fileName;  // proposed full path
  std::string fileTitle;
  bool overwritePrompt = true;
  std::vector<std::pair<std::string, std::string>> filters;  // (description, pattern)
  int filterIndex = 1;                                       // 1-based
  std::string initialFolder;
  std::string dialogTitle;
  std::string defaultExtension;  // without the dot
};

struct SaveFileAnswer {
  std::string fileName;  // full path
  int filterIndex = 0;   // 1-based
};

// The dialogs the Save as JPEG command needs. The window implements it with
// Qt's dialogs; tests answer it without showing anything.
class SaveDialogs {
public:
  virtual ~SaveDialogs() = default;
  // A modal save dialog; empty when the user cancels.
  virtual std::optional<SaveFileAnswer> getSaveFileName(const SaveFileRequest &request) = 0;
  // A modal message box with an exclamation icon and one OK button; detail,
  // when not empty, is shown on request below the text.
  virtual void warningBox(const std::string &text, const std::string &caption, const std::string &detail) = 0;
};

}  // namespace vesk
