// The program's start-up path with a watcher: when MainWindow is shown it
// prints "shown <CLOCK_MONOTONIC nanoseconds>" and closes the window, so that
// the program ends as a user closing it would end it. Used by the start-up
// benchmark.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "app/main_window.h"
#include "app/startup.h"

namespace {

class ShownWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o == pindrel::main_window() && !reported_) {
      reported_ = true;
      timespec ts{};
      clock_gettime(CLOCK_MONOTONIC, &ts);
      std::printf("shown %lld\n", static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
      std::fflush(stdout);
      QTimer::singleShot(0, [] { pindrel::main_window()->close(); });
    }
    return false;
  }

 private:
  bool reported_ = false;
};

void watch() { qApp->installEventFilter(new ShownWatcher(qApp)); }  // owned by the application
Q_COREAPP_STARTUP_FUNCTION(watch)

}  // namespace

int main(int argc, char** argv) { return pindrel::RunPindrel(argc, argv); }
