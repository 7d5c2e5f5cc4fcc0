// The run-time services the program's handlers call: dialog-mode windows,
// the start-up window with its message loop and exit routines, edit box
// appending, message boxes, the clipboard, the save dialog, file writing and
// opening an address in the default browser. Everything runs on the GUI
// thread; a QApplication must exist.
#pragma once

#include <QApplication>
#include <QTranslator>
#include <functional>
#include <initializer_list>
#include <optional>

#include "foundation/gui/controls.h"
#include "foundation/text.h"

class QLineEdit;
class QPlainTextEdit;

namespace pindrel {

// The GUI run time of one program run: the QApplication, with the toolkit's
// own texts (the standard message box buttons) in Chinese where Qt's
// translations are installed, and in English otherwise.
class GuiRuntime {
 public:
  GuiRuntime(int& argc, char** argv);
  ~GuiRuntime();
  GuiRuntime(const GuiRuntime&) = delete;
  GuiRuntime& operator=(const GuiRuntime&) = delete;

 private:
  QApplication app_;
  QTranslator toolkit_texts_;
};

// Dialog mode: the program's other top-level windows are disabled, the
// window's created event runs, the window is shown, and the call returns only
// after it has closed (a nested event loop runs meanwhile). The disabled
// windows are enabled again before the call returns.
void load_window(Window& window);

// The start-up window: its created event runs, then it is shown. Not modal.
void load_startup_window(Window& window);

// Registers a routine that run_message_loop runs once after its loop ends.
void register_exit_routine(std::function<void()> routine);

// Runs the event loop until `main_window` has closed, then the exit routines
// in the order of registration (each once; the list is then emptied).
// Returns the loop's exit code.
int run_message_loop(Window& main_window);

// Puts the caret at the end of the box's text, inserts `text` there and
// scrolls it into view.
void append_text(QPlainTextEdit& box, const Text& text);
void append_text(QLineEdit& box, const Text& text);

// Modal over the whole program with no owner window and no icon. Buttons are
// the kButtons* values (0: OK, 4: Yes and No); the caption defaults to
// "信息：". Returns a kResult* value (OK 0 ... Yes 5, No 6).
int message_box(const Text& text, int buttons = 0, std::optional<Text> caption = std::nullopt);
Text default_message_caption();

// Replaces the clipboard's content with the text.
void set_clipboard_text(const Text& text);

// Shows the dialog with the settings on its form; true when the user
// confirmed a file name, which is then the dialog's file_name (full path).
bool open_file_dialog(FileDialog& dialog);

// Creates or replaces the file with the arrays in order, skipping empty
// ones. The bytes go to a file beside it that is renamed over it at the end,
// so on any failure the former file stays whole; a replaced file keeps its
// permission bits. False for an empty name or on any failure.
bool write_file(const Text& name, std::initializer_list<ByteArray> parts);

// Has the desktop open the address in the default browser, when it is an
// http:// or https:// address (letter case ignored); any other address, the
// empty one included, is not opened and nothing is reported.
//   open_address("HTTPS://example.test/") opens it
//   open_address("file:///etc/passwd") does nothing
void open_address(const Text& address);
bool is_web_address(const Text& address);

}  // namespace pindrel
