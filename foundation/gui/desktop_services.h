// The desktop services the handlers reach through the run time: modal message
// boxes, the save dialog, the clipboard and the default browser. They sit
// behind one small interface so that a test can answer a message box or pick
// a file name without a person; the default is the real Qt implementation.
#pragma once

#include <memory>

#include "foundation/text.h"

namespace pindrel {

class FileDialog;

// Message box button sets: the platform's MB_* values for uType, which the
// program passes on as they are.
inline constexpr int kButtonsOk = 0;                 // MB_OK 0x0
inline constexpr int kButtonsOkCancel = 1;           // MB_OKCANCEL 0x1
inline constexpr int kButtonsAbortRetryIgnore = 2;   // MB_ABORTRETRYIGNORE 0x2
inline constexpr int kButtonsYesNoCancel = 3;        // MB_YESNOCANCEL 0x3
inline constexpr int kButtonsYesNo = 4;              // MB_YESNO 0x4
inline constexpr int kButtonsRetryCancel = 5;        // MB_RETRYCANCEL 0x5

// Message box results: the platform's ID* return values less one, as the
// program's run time hands them to the handlers.
inline constexpr int kResultOk = 0;      // IDOK 1
inline constexpr int kResultCancel = 1;  // IDCANCEL 2
inline constexpr int kResultAbort = 2;   // IDABORT 3
inline constexpr int kResultRetry = 3;   // IDRETRY 4
inline constexpr int kResultIgnore = 4;  // IDIGNORE 5
inline constexpr int kResultYes = 5;     // IDYES 6
inline constexpr int kResultNo = 6;      // IDNO 7

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // Modal over the whole program, no owner window, no icon; returns one of
  // the kResult* values.
  virtual int message_box(const Text& text, int buttons, const Text& caption) = 0;
  // Replaces the clipboard's content with the text.
  virtual void set_clipboard_text(const Text& text) = 0;
  // Runs the save dialog as its settings say; on a confirmed name stores the
  // full path in the dialog and returns true.
  virtual bool run_file_dialog(FileDialog& dialog) = 0;
  // Has the desktop open the address in the default browser.
  virtual void open_address(const Text& address) = 0;
};

// The services in force: the Qt implementation unless a test installed its own.
DesktopServices& desktop_services();

// Installs `services` for the life of this object and puts the former ones
// back afterwards. For tests.
class ScopedDesktopServices {
 public:
  explicit ScopedDesktopServices(DesktopServices& services);
  ~ScopedDesktopServices();
  ScopedDesktopServices(const ScopedDesktopServices&) = delete;
  ScopedDesktopServices& operator=(const ScopedDesktopServices&) = delete;

 private:
  DesktopServices* former_;
};

}  // namespace pindrel
