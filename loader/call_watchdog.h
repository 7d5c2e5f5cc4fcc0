// A time limit for guest calls that does not slow the guest down.
//
// Unicorn's own limits cost guest speed: an instruction count installs a hook
// on every instruction, and its timeout starts a thread per call and runs
// guest code far slower. Instead one long-lived thread watches the calls: Arm
// before uc_emu_start, Disarm after it; when a call is still armed at its
// deadline, the thread calls the stop function (uc_emu_stop), which is safe
// from another thread. A stop that lands after the call ended does nothing,
// because the armed call is checked under the lock. One that lands before
// the emulation has begun (the caller was descheduled between Arm and
// uc_emu_start) would be lost, since unicorn ignores a stop while it is not
// running: so the thread repeats the stop every kStopRepeat until the call is
// disarmed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace pindrel {

class CallWatchdog {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kStopRepeat{10};

  explicit CallWatchdog(std::function<void()> stop);
  ~CallWatchdog();
  CallWatchdog(const CallWatchdog&) = delete;
  CallWatchdog& operator=(const CallWatchdog&) = delete;

  void Arm(Clock::duration limit);
  // True when the watchdog stopped the call that was armed.
  bool Disarm();

 private:
  void Run();

  std::function<void()> stop_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool armed_ = false;
  bool fired_ = false;
  bool idle_wait_ = false;
  // The deadline the thread sleeps until (Clock::time_point::max() while it
  // waits for a call); an Arm with an earlier deadline wakes it.
  Clock::time_point sleeping_until_ = Clock::time_point::max();
  bool quit_ = false;
  uint64_t generation_ = 0;
  Clock::time_point deadline_{};
  std::thread thread_;
};

}  // namespace pindrel
