#pragma once

#include "ui/Dialogs.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPrinter;
class QWidget;

namespace vesk::test {

// Answers every dialog from a script and logs each call, so that no test ever
// blocks on a modal dialog. A queued answer is used first; when the queue is
// empty, the fixed answer is.
class FakeDialogs : public Dialogs {
public:
  // Open dialog: "" cancels.
  std::string openAnswer;
  std::deque<std::string> openAnswers;
  struct OpenCall {
    QWidget *owner;
    std::string initDir, fileName;
  };
  std::vector<OpenCall> openCalls;
  // Runs with the answer just before the open dialog returns it.
  std::function<void(const std::string &)> openHook;

  // Save dialog: empty cancels.
  std::optional<SaveFileAnswer> saveAnswer;
  std::deque<std::optional<SaveFileAnswer>> saveAnswers;
  std::vector<SaveFileRequest> saveRequests;

  // Folder browser: "" cancels.
  std::string browseAnswer;
  std::deque<std::string> browseAnswers;
  struct BrowseCall {
    QWidget *owner;
    std::string title;
    std::string startFolder = {};
  };
  std::vector<BrowseCall> browseCalls;

  // Print dialog: false cancels; printHook runs first and may set copies or orientation.
  bool printAnswer = false;
  std::function<void(QPrinter &)> printHook;
  std::vector<QWidget *> printCalls;
  // Makes the printer for Print when set; otherwise the real default one is made.
  std::function<std::unique_ptr<QPrinter>()> printerFactory;

  // Every message box, warningBox included (owner null, icon Warning, fromWarningBox set).
  struct Message {
    QWidget *owner;
    std::string text, title;
    Icon icon;
    bool fromWarningBox;
    std::string detail = {};  // the warning box's detailed text
  };
  std::vector<Message> messages;
  // Runs while a message box would be up, to look at the state at that moment.
  std::function<void(const Message &)> onMessage;

  std::string getOpenFileName(QWidget *owner, const std::string &initDir, const std::string &fileName) override {
    openCalls.push_back({owner, initDir, fileName});
    std::string answer = next(openAnswers, openAnswer);
    if (openHook) openHook(answer);
    return answer;
  }

  std::optional<SaveFileAnswer> getSaveFileName(const SaveFileRequest &request) override {
    saveRequests.push_back(request);
    return next(saveAnswers, saveAnswer);
  }

  std::string browseForFolder(QWidget *owner, const std::string &title, const std::string &startFolder) override {
    browseCalls.push_back({owner, title, startFolder});
    return next(browseAnswers, browseAnswer);
  }

  std::unique_ptr<QPrinter> makePrinter() override {
    return printerFactory ? printerFactory() : Dialogs::makePrinter();
  }

  bool printDialog(QWidget *owner, QPrinter &printer) override {
    printCalls.push_back(owner);
    if (printHook) printHook(printer);
    return printAnswer;
  }

  void messageBox(QWidget *owner, const std::string &text, const std::string &title, Icon icon) override {
    log({owner, text, title, icon, false});
  }

  void warningBox(const std::string &text, const std::string &caption, const std::string &detail) override {
    log({nullptr, text, caption, Icon::Warning, true, detail});
  }

private:
  template <typename T>
  static T next(std::deque<T> &queue, const T &fixed) {
    if (queue.empty()) return fixed;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }

  void log(const Message &m) {
    messages.push_back(m);
    if (onMessage) onMessage(m);
  }
};

}  // namespace vesk::test
