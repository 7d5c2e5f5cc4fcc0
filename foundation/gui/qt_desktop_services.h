// The real desktop services: QMessageBox, QClipboard, QFileDialog and
// QDesktopServices.
#pragma once

#include <QStringList>

#include "foundation/gui/desktop_services.h"

namespace pindrel {

class QtDesktopServices final : public DesktopServices {
 public:
  int message_box(const Text& text, int buttons, const Text& caption) override;
  void set_clipboard_text(const Text& text) override;
  bool run_file_dialog(FileDialog& dialog) override;
  void open_address(const Text& address) override;
};

// The dialog's "name|pattern|name|pattern" filter as Qt name filters,
// "name (pattern)"; a trailing name without its pattern is dropped.
//   qt_name_filters("PNG（*.png）|*.png") == {"PNG（*.png） (*.png)"}
QStringList qt_name_filters(const Text& filter);

}  // namespace pindrel
