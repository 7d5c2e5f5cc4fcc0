// The call watchdog on its own, with a stop function that stands in for
// uc_emu_stop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "loader/call_watchdog.h"

namespace pindrel {
namespace {

using namespace std::chrono_literals;

// Waits up to bound for done() to hold; the bound is far beyond what the
// watchdog needs, so only a watchdog that never gets there fails.
template <class Done>
bool WaitFor(Done done, std::chrono::seconds bound = 10s) {
  const auto until = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(CallWatchdogTest, AStopThatFoundNothingRunningIsRepeated) {
  // The first stop lands before the emulation has begun and is lost, as
  // unicorn ignores a stop while it is not running; the call still ends.
  std::atomic<int> stops{0};
  std::atomic<bool> stopped{false};
  CallWatchdog watchdog([&] {
    if (++stops >= 2) stopped = true;
  });
  watchdog.Arm(5ms);
  EXPECT_TRUE(WaitFor([&] { return stopped.load(); })) << stops << " stop(s)";
  EXPECT_TRUE(watchdog.Disarm());
}

TEST(CallWatchdogTest, ACallDisarmedInTimeIsNeverStopped) {
  std::atomic<int> stops{0};
  CallWatchdog watchdog([&] { ++stops; });
  for (int i = 0; i < 100; ++i) {
    watchdog.Arm(10s);
    EXPECT_FALSE(watchdog.Disarm());
  }
  // A later call that overruns is stopped, and reported as stopped.
  watchdog.Arm(5ms);
  ASSERT_TRUE(WaitFor([&] { return stops.load() > 0; }));
  EXPECT_TRUE(watchdog.Disarm());
  const int after_disarm = stops;
  std::this_thread::sleep_for(4 * CallWatchdog::kStopRepeat);
  EXPECT_EQ(stops, after_disarm) << "stops went on after the call was disarmed";
}

}  // namespace
}  // namespace pindrel
