// A stand-in for the desktop services: it records every message box,
// clipboard write, dialog and browser opening, and answers from a script, so
// that no test waits for a person or reaches a real browser.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "foundation/gui/controls.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/text.h"

namespace pindrel::testing {

struct ShownMessage {
  Text text;
  int buttons;
  Text caption;
};

class DesktopDouble final : public DesktopServices {
 public:
  DesktopDouble() : scope_(*this) {}

  int message_box(const Text& text, int buttons, const Text& caption) override {
    messages.push_back({text, buttons, caption});
    if (on_message) on_message();
    if (answers.empty()) return kResultOk;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  void set_clipboard_text(const Text& text) override { clipboard.push_back(text); }
  bool run_file_dialog(FileDialog& dialog) override {
    dialogs.push_back(&dialog);
    if (dialog_answer.empty()) return false;
    dialog.file_name = dialog_answer;
    return true;
  }
  void open_address(const Text& address) override { opened.push_back(address); }

  std::vector<ShownMessage> messages;
  std::deque<int> answers;           // results of the next message boxes; OK when empty
  std::function<void()> on_message;  // runs while a message box "is shown"
  std::vector<Text> clipboard;
  std::vector<FileDialog*> dialogs;
  Text dialog_answer;                // empty: the user cancels
  std::vector<Text> opened;

 private:
  ScopedDesktopServices scope_;
};

}  // namespace pindrel::testing
