// SendHttpRequest over the real libcurl transport when the exchange fails:
// servers that cannot be reached, addresses that cannot be sent, connections
// that close or fall silent, and the limits that end hostile exchanges (with
// shortened settings).
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/net/loopback_exchange.h"
#include "tools/loopback_server/hostile_handlers.h"

namespace pindrel {
namespace {

TEST_F(LoopbackExchange, UnreachableServersGiveAnEmptyBody) {
  // An over-long label fails in the local resolver, before any query is sent.
  const std::string unresolvable = "http://" + std::string(70, 'a') + ".invalid/x";
  for (const std::string& address :
       {"http://127.0.0.1:" + std::to_string(closed_port()) + "/x", unresolvable}) {
    CurlTransport t = transport();
    Text jar = T("a = 1");
    Text cookies = T("old");
    Text headers = T("old");
    EXPECT_TRUE(SendHttpRequest(t, T(address), 0, {}, &jar, &cookies, {}, &headers).empty()) << address;
    // The send failed: the header buffer stays blank, nothing is collected, and
    // the jar is still merged (with nothing).
    EXPECT_EQ(headers, T(kSpaces)) << address;
    EXPECT_EQ(cookies, Text()) << address;
    EXPECT_EQ(jar, T("a=1")) << address;
  }
}

TEST_F(LoopbackExchange, AddressesThatCannotBeSentAsTheyAre) {
  struct Row {
    std::string address;
    bool handles;  // whether the request got its handles (out parameters written)
  };
  const std::string base = server_.base_url();
  const std::vector<Row> rows = {
      // A line break in the path would start a header line of its own.
      {base + "/a\r\nX-Injected: 1", true},
      // A port that does not fit 16 bits is refused, not cut down to another.
      {"http://127.0.0.1:" + std::to_string(65536 + server_.port()) + "/x", false},
      // A host with a "?" in it ("127.0.0.1?q=1" here) cannot be reached.
      {"http://127.0.0.1?q=1", true},
      // No host at all.
      {"", false},
  };
  for (const Row& row : rows) {
    CurlTransport t = transport();
    Text headers = T("old");
    EXPECT_TRUE(SendHttpRequest(t, T(row.address), 0, {}, nullptr, nullptr, {}, &headers).empty())
        << show_bytes(row.address);
    EXPECT_EQ(headers, row.handles ? T(kSpaces) : T("old")) << show_bytes(row.address);
  }
  EXPECT_TRUE(server_.requests().empty());
}

TEST_F(LoopbackExchange, ConnectionClosedMidBodyKeepsWhatArrived) {
  const std::string part = pattern(3000);
  RawSocketServer raw(
      RawSocketServer::reply("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nSet-Cookie: m=1\r\n\r\n" + part));
  ASSERT_TRUE(raw.start());
  CurlTransport t = transport();
  Text headers, cookies;
  const ByteArray body = SendHttpRequest(t, T(raw.base_url() + "/x"), 0, {}, nullptr, &cookies, {}, &headers);
  EXPECT_EQ(body, ByteArray(part));
  EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(cookies, T("m=1"));
}

TEST_F(LoopbackExchange, SilentServerEndsByTheIdleTimeOut) {
  settings_.limits.idle_timeout = std::chrono::milliseconds(1500);
  // One stops in the middle of the body, one never answers at all.
  RawSocketServer midway([](RawConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nten bytes.");
    c.hold();
  });
  RawSocketServer mute([](RawConnection& c) { c.hold(); });
  ASSERT_TRUE(midway.start());
  ASSERT_TRUE(mute.start());
  {
    CurlTransport t = transport();
    Text headers;
    EXPECT_EQ(SendHttpRequest(t, T(midway.base_url() + "/x"), 0, {}, nullptr, nullptr, {}, &headers),
              ByteArray::from_view("ten bytes."));
    EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 200 OK\r\n"));
  }
  {
    CurlTransport t = transport();
    Text headers;
    EXPECT_TRUE(SendHttpRequest(t, T(mute.base_url() + "/x"), 0, {}, nullptr, nullptr, {}, &headers).empty());
    EXPECT_EQ(headers, T(kSpaces));
  }
  ASSERT_EQ(mute.requests().size(), 1u);
  EXPECT_TRUE(mute.requests()[0].starts_with("GET /x HTTP/1.1\r\n"));
}

// The body cap, with a cap of 1 MiB: a body up to the cap arrives whole; one
// byte more, a body without end or an announced length past the cap fails the
// exchange with an empty body, while the response's head still comes back.
TEST_F(LoopbackExchange, BodyPastTheCapFailsTheExchange) {
  constexpr std::size_t kCap = 1 << 20;
  settings_.limits.max_body_bytes = kCap;
  const std::string at_cap = pattern(kCap);
  const std::string past_cap = pattern(kCap + 1);
  server_.route("GET", "/at", ScriptedResponse{200, {{"Content-Type", "application/octet-stream"}}, at_cap});
  server_.route("GET", "/past", ScriptedResponse{200, {{"Content-Type", "application/octet-stream"}}, past_cap});
  RawSocketServer endless(EndlessBody(false));
  RawSocketServer endless_chunked(EndlessBody(true));
  // Announces far more than it sends, then closes.
  RawSocketServer announced(RawSocketServer::reply("HTTP/1.1 200 OK\r\nContent-Length: 1099511627776\r\n\r\nshort"));
  ASSERT_TRUE(endless.start());
  ASSERT_TRUE(endless_chunked.start());
  ASSERT_TRUE(announced.start());
  struct Row {
    const char* what;
    std::string address;
    std::string body;  // expected
  };
  const std::vector<Row> rows = {
      {"exactly the cap", server_.base_url() + "/at", at_cap},
      {"one byte past the cap", server_.base_url() + "/past", ""},
      {"endless, until the connection closes", endless.base_url() + "/x", ""},
      {"endless, chunked", endless_chunked.base_url() + "/x", ""},
      {"a length past the cap announced", announced.base_url() + "/x", ""},
  };
  for (const Row& row : rows) {
    CurlTransport t = transport();
    Text headers;
    const ByteArray body = SendHttpRequest(t, T(row.address), 0, {}, nullptr, nullptr, {}, &headers);
    EXPECT_EQ(body.size(), row.body.size()) << row.what;
    EXPECT_TRUE(body.view() == row.body) << row.what;
    EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 200 OK\r\n")) << row.what << ": " << show_bytes(headers.bytes());
  }
}

// A trickle keeps the idle clock from ever running out; the low-speed window
// (here 1 KiB in 600 ms) ends it with what had arrived. A body that comes
// fast enough in every window is not cut.
TEST_F(LoopbackExchange, TrickleEndsOnTheLowSpeedLimit) {
  settings_.limits.low_speed_window = std::chrono::milliseconds(600);
  settings_.limits.idle_timeout = std::chrono::seconds(10);
  RawSocketServer trickle(Trickle(std::chrono::milliseconds(40)));
  const std::string steady_body = pattern(16 * 2048);
  RawSocketServer steady([&steady_body](RawConnection& c) {
    if (!c.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(steady_body.size()) + "\r\n\r\n")) return;
    for (std::size_t sent = 0; sent < steady_body.size(); sent += 2048) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!c.send(std::string_view(steady_body).substr(sent, 2048))) return;
    }
  });
  ASSERT_TRUE(trickle.start());
  ASSERT_TRUE(steady.start());

  CurlTransport t = transport();
  Text headers;
  const ByteArray cut = SendHttpRequest(t, T(trickle.base_url() + "/x"), 0, {}, nullptr, nullptr, {}, &headers);
  EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 200 OK\r\n"));
  // Some bytes of the trickle, far from the 100000 it announced.
  EXPECT_FALSE(cut.empty());
  EXPECT_LT(cut.size(), 1024u);
  EXPECT_TRUE(std::all_of(cut.view().begin(), cut.view().end(), [](char c) { return c == 'x'; }));

  // 2 KiB every 100 ms, for 1.6 s in all.
  CurlTransport again = transport();
  EXPECT_TRUE(SendHttpRequest(again, T(steady.base_url() + "/x")).view() == steady_body);
}

// Redirections each silent for 300 ms would take 3.3 s to reach the limit of
// ten; the deadline of 1 s for the whole exchange ends the chain on the way,
// with no final response.
TEST_F(LoopbackExchange, SlowRedirectionsEndOnTheDeadline) {
  settings_.limits.deadline = std::chrono::seconds(1);
  settings_.limits.idle_timeout = std::chrono::seconds(10);
  RawSocketServer chain(SlowRedirection(std::chrono::milliseconds(300), "/again"));
  ASSERT_TRUE(chain.start());
  CurlTransport t = transport();
  Text headers;
  EXPECT_TRUE(SendHttpRequest(t, T(chain.base_url() + "/x"), 0, {}, nullptr, nullptr, {}, &headers).empty());
  EXPECT_EQ(headers, T(kSpaces));
  chain.stop();
  // 1 s of 300 ms hops, nowhere near the eleven of the full chain.
  EXPECT_LE(chain.requests().size(), 5u);
}

}  // namespace
}  // namespace pindrel
