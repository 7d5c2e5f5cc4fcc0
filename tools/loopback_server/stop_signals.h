// For the servers' own programs: SIGINT and SIGTERM, blocked from the start
// so that no server thread started afterwards takes them, and awaited in one
// place.
//
//   StopSignals stop;      // before any server thread starts
//   server.start(port);
//   stop.wait();           // returns on SIGINT or SIGTERM
//   server.stop();
#pragma once

#include <pthread.h>

#include <csignal>

namespace pindrel {

class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  void wait() const {
    int received = 0;
    sigwait(&signals_, &received);
  }

 private:
  sigset_t signals_;
};

}  // namespace pindrel
