// The wait hook while a transfer waits for the network: a server that stalls
// 300 ms before it answers sees the hook run again and again, and the result
// is the same as without a hook.
#include "net/transfer_wait_hook.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "net/fetch_bytes.h"
#include "tests/net/loopback_exchange.h"

namespace pindrel {
namespace {

constexpr auto kStall = std::chrono::milliseconds(300);

// Installs a hook that counts its calls, and removes it again.
class CountingHook {
 public:
  CountingHook() {
    previous_ = set_transfer_wait_hook([this] { ++calls_; });
  }
  ~CountingHook() { set_transfer_wait_hook(std::move(previous_)); }
  int calls() const { return calls_; }

 private:
  int calls_ = 0;
  TransferWaitHook previous_;
};

RawHandler stalling_reply(const std::string& body) {
  return [body](RawConnection& c) {
    std::this_thread::sleep_for(kStall);
    c.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  };
}

// Half the calls a hook every kTransferWaitHookIntervalMs would get, so that
// a loaded machine does not make the check flaky; a transfer that ran the hook
// only when libcurl's progress callback fires (about once a second) would get
// one or none.
constexpr int kEnoughCalls = static_cast<int>(kStall.count() / kTransferWaitHookIntervalMs / 2);

TEST_F(LoopbackExchange, WaitHookRunsWhileTheExchangeWaits) {
  RawSocketServer slow(stalling_reply("late page"));
  ASSERT_TRUE(slow.start());
  CurlTransport t = transport();
  const Text address = T(slow.base_url() + "/page");
  ByteArray body;
  int calls = 0;
  {
    CountingHook hook;
    body = SendHttpRequest(t, address);
    calls = hook.calls();
  }
  EXPECT_EQ(body, ByteArray::from_view("late page"));
  EXPECT_GE(calls, kEnoughCalls);
  // The same exchange without a hook gives the same body.
  EXPECT_EQ(SendHttpRequest(t, address), body);
}

TEST(FetchBytes, WaitHookRunsWhileTheFetchWaits) {
  RawSocketServer slow(stalling_reply("late cover"));
  ASSERT_TRUE(slow.start());
  const Text address = T(slow.base_url() + "/cover.jpg");
  ByteArray body;
  int calls = 0;
  {
    CountingHook hook;
    body = fetch_bytes(address);
    calls = hook.calls();
  }
  EXPECT_EQ(body, ByteArray::from_view("late cover"));
  EXPECT_GE(calls, kEnoughCalls);
  EXPECT_EQ(fetch_bytes(address), body);
}

}  // namespace
}  // namespace pindrel
