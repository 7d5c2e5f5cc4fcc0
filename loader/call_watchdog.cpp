#include "loader/call_watchdog.h"

#include <utility>

namespace pindrel {

CallWatchdog::CallWatchdog(std::function<void()> stop)
    : stop_(std::move(stop)), thread_([this] { Run(); }) {}

CallWatchdog::~CallWatchdog() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void CallWatchdog::Arm(Clock::duration limit) {
  bool notify = false;
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    armed_ = true;
    fired_ = false;
    deadline_ = Clock::now() + limit;
    // A watchdog asleep until an earlier deadline wakes then and re-reads
    // this one; it needs waking now only when it waits for no deadline or
    // for a later one (a call with a shorter limit after a longer one).
    notify = idle_wait_ || deadline_ < sleeping_until_;
  }
  if (notify) wake_.notify_one();
}

bool CallWatchdog::Disarm() {
  std::lock_guard lock(mutex_);
  armed_ = false;
  return fired_;
}

void CallWatchdog::Run() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (!armed_) {
      idle_wait_ = true;
      wake_.wait(lock, [this] { return quit_ || armed_; });
      idle_wait_ = false;
      continue;
    }
    const uint64_t watched = generation_;
    const Clock::time_point deadline = deadline_;
    if (Clock::now() < deadline) {
      sleeping_until_ = deadline;
      wake_.wait_until(lock, deadline);
      sleeping_until_ = Clock::time_point::max();
      continue;  // re-check: the call may have ended or a new one begun
    }
    // Past the deadline: stop the call, and again every kStopRepeat until it
    // is disarmed, in case a stop found the emulation not yet running.
    const auto call_ended = [&] { return quit_ || !armed_ || generation_ != watched; };
    while (!call_ended()) {
      fired_ = true;
      stop_();
      idle_wait_ = true;
      wake_.wait_for(lock, kStopRepeat, call_ended);
      idle_wait_ = false;
    }
  }
}

}  // namespace pindrel
