// Runs a script inside a dialog-mode window of kind W while it is open: when
// a W is shown, the script runs from the nested message loop that
// load_window entered for it, and the window is closed afterwards, so the
// handler that opened it returns. Without a script the window is closed at
// once.
//
//   WhileOpen<CoverWindow> open([&](CoverWindow& w) { ... });
//   window->解析->click();   // returns after the script and the close
//   EXPECT_EQ(open.shown, 1);
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "app/main_window.h"

namespace pindrel::testing {

template <typename W>
class WhileOpen : public QObject {
 public:
  explicit WhileOpen(std::function<void(W&)> script = {}) : script_(std::move(script)) {
    qApp->installEventFilter(this);
  }
  ~WhileOpen() override { qApp->removeEventFilter(this); }

  int shown = 0;
  bool main_disabled_while_open = false;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::Show) return false;
    W* w = qobject_cast<W*>(o);
    if (w == nullptr) return false;
    ++shown;
    QPointer<W> open(w);
    QTimer::singleShot(0, w, [this, open] {
      main_disabled_while_open = main_window() != nullptr && !main_window()->isEnabled();
      if (open && script_) script_(*open);
      if (open) open->close();
    });
    return false;
  }

 private:
  std::function<void(W&)> script_;
};

// Runs the event loop until `done` holds or `limit_ms` have passed; true when
// it holds.
inline bool spin_until(const std::function<bool()>& done, int limit_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QEventLoop pause;
    QTimer::singleShot(20, &pause, &QEventLoop::quit);
    pause.exec();
  }
  return true;
}

}  // namespace pindrel::testing
