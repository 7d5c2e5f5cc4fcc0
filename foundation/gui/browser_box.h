// The embedded HTML browser box. Writing its address makes it load that
// address. The Chromium-based view behind it lives in a separately loaded
// module (web_view_module.cpp): it is loaded, with the OpenGL it needs, when
// the first box gets its first address, so a run that never opens a page
// never maps the browser engine.
#pragma once

#include <QWidget>

#include "foundation/text.h"

namespace pindrel {

class BrowserBox : public QWidget {
  Q_OBJECT

 public:
  explicit BrowserBox(QWidget* parent = nullptr);

  void set_address(const Text& address);
  const Text& address() const { return address_; }
  // The browser view (a QWebEngineView, reached through its properties and
  // signals) once an address was written; nullptr before, or when the
  // browser module could not be loaded.
  QWidget* view() const { return view_; }

 private:
  Text address_;
  QWidget* view_ = nullptr;
};

}  // namespace pindrel
