#include "foundation/gui/busy_wait.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QThread>

namespace pindrel {

namespace {

bool is_user_input(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
      return true;
    default:
      return false;
  }
}

// Installed on the application while busy: drops user input to every
// object, and the window manager's close requests to every widget. Qt hands
// a widget a spontaneous close event only for a request from the window
// system; a close the program itself asks for is not spontaneous and goes
// through.
class InputBlock : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (is_user_input(event->type())) return true;
    if (event->type() == QEvent::Close && event->spontaneous() && watched->isWidgetType()) {
      event->ignore();  // an ignored close event leaves the window open
      return true;
    }
    return false;
  }
};

struct BusyState {
  bool busy = false;
  InputBlock block;
  QMetaObject::Connection idle;
};

BusyState& state() {
  static BusyState s;
  return s;
}

void begin_busy_wait() {
  BusyState& s = state();
  s.busy = true;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(&s.block);
  // The rounds below never let the dispatcher block; the first time it is
  // about to, the wait is over.
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
    s.idle = QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, &s.block, [] { end_busy_wait(); });
}

}  // namespace

void keep_windows_painted() {
  // Only the GUI thread has windows to paint; a transfer on another thread
  // waits silently.
  if (qApp == nullptr || QThread::currentThread() != qApp->thread()) return;
  if (!state().busy) begin_busy_wait();
  // Expose and paint events, layout and the cursor change; timers stay
  // asleep so that nothing of the program runs inside the wait.
  QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
}

bool busy_waiting() { return state().busy; }

void end_busy_wait() {
  BusyState& s = state();
  if (!s.busy) return;
  s.busy = false;
  QObject::disconnect(s.idle);
  if (qApp != nullptr) {
    qApp->removeEventFilter(&s.block);
    QGuiApplication::restoreOverrideCursor();
  }
}

}  // namespace pindrel
