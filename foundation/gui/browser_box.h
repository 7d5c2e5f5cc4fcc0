// The embedded HTML browser box. Writing its address makes it load that
// address; the Chromium-based view behind it is created on the first address
// written, so a form that never loads a page never starts the browser engine.
#pragma once

#include <QWidget>

#include "foundation/text.h"

class QWebEngineView;

namespace pindrel {

class BrowserBox : public QWidget {
  Q_OBJECT

 public:
  explicit BrowserBox(QWidget* parent = nullptr);

  void set_address(const Text& address);
  const Text& address() const { return address_; }
  // The view once an address was written, otherwise nullptr. It is a
  // QWebEngineView; callers that need the engine's own interface cast it.
  QWidget* view() const;

 private:
  Text address_;
  QWebEngineView* view_ = nullptr;
};

}  // namespace pindrel
