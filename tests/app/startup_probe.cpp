// The program's start-up path with a watcher: when MainWindow is shown it
// prints "shown <CLOCK_MONOTONIC nanoseconds> rss <resident kB>" and closes the
// window, so that the program ends as a user closing it would end it. Used by
// the start-up benchmark.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/main_window.h"
#include "app/startup.h"

namespace {

// VmRSS of this process in kB, or -1.
long resident_kb() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  long kb = -1;
  char line[256];
  while (std::fgets(line, sizeof line, f) != nullptr)
    if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
  std::fclose(f);
  return kb;
}

class ShownWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o == pindrel::main_window() && !reported_) {
      reported_ = true;
      timespec ts{};
      clock_gettime(CLOCK_MONOTONIC, &ts);
      std::printf("shown %lld rss %ld\n", static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec,
                  resident_kb());
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
