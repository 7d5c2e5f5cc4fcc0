// CurlTransport::transfer_end and transfer_code: each way a transfer ends, on
// its own loopback case with shortened limits, read as a caller reads them
// (after the body, before the request is closed).
#include <gtest/gtest.h>

#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/net/black_hole_listener.h"
#include "tests/net/loopback_exchange.h"
#include "tools/loopback_server/hostile_handlers.h"

namespace pindrel {
namespace {

struct Ended {
  TransferEnd end = TransferEnd::kNotEnded;
  int code = -1;
  std::size_t body = 0;  // bytes read
  bool head = false;     // the final response's head came
};

// One GET through the transport's handles, the body read to its end, and
// what the transport says of the transfer before the request is closed.
Ended run_exchange(CurlTransport& t, const std::string& host, int port, const std::string& path) {
  Ended got;
  const auto root = t.open_root(T("agent"), {});
  const auto connection = t.connect(root, T(host), port);
  const auto request = t.open_request(connection, T("GET"), T(path), 0);
  if (request == 0) return got;
  EXPECT_EQ(t.transfer_end(request), TransferEnd::kNotEnded) << "before the send";
  got.head = t.send_request(request, T("Accept: */*"), {});
  unsigned char buffer[1024];
  for (int n; (n = t.read(request, buffer, sizeof buffer)) > 0;) got.body += static_cast<std::size_t>(n);
  got.end = t.transfer_end(request);
  got.code = t.transfer_code(request);
  EXPECT_EQ(t.transfer_end(request), got.end) << "asked twice";
  t.close(request);
  EXPECT_EQ(t.transfer_end(request), TransferEnd::kNotEnded) << "after the close";
  t.close(connection);
  t.close(root);
  return got;
}

TEST_F(LoopbackExchange, EachTransferNamesHowItEnded) {
  server_.route("GET", "/ok", ScriptedResponse{200, {}, "hello"});
  server_.route("GET", "/missing", ScriptedResponse{404, {}, "gone"});
  server_.route("GET", "/loop", ScriptedResponse{302, {{"Location", "/loop"}}, ""});
  BlackHoleListener hole;
  ASSERT_TRUE(hole.start());
  RawSocketServer mute([](RawConnection& c) { c.hold(); });
  RawSocketServer midway([](RawConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nten bytes.");
    c.hold();
  });
  RawSocketServer trickle(Trickle(std::chrono::milliseconds(40)));
  RawSocketServer chain(SlowRedirection(std::chrono::milliseconds(200), "/again"));
  RawSocketServer endless(EndlessBody(/*chunked=*/true));
  RawSocketServer large(LargeBody(200'000));
  RawSocketServer closing([](RawConnection& c) { c.close(); });
  RawSocketServer cut_short(RawSocketServer::reply("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\npart"));
  for (RawSocketServer* s : {&mute, &midway, &trickle, &chain, &endless, &large, &closing, &cut_short})
    ASSERT_TRUE(s->start());

  using Shorten = std::function<void(TransferLimits&)>;
  const Shorten as_is = [](TransferLimits&) {};
  const Shorten idle = [](TransferLimits& l) { l.idle_timeout = std::chrono::milliseconds(300); };
  struct Row {
    const char* what;
    std::string host;
    int port;
    std::string path;
    Shorten shorten;
    TransferEnd end;
    int code;  // libcurl's result
    bool head;
  };
  const std::string lo = "127.0.0.1";
  const std::vector<Row> rows = {
      {"a whole response", lo, server_.port(), "/ok", as_is, TransferEnd::kCompleted, CURLE_OK, true},
      {"an error status is a whole response too", lo, server_.port(), "/missing", as_is, TransferEnd::kCompleted,
       CURLE_OK, true},
      {"a port bound and closed", lo, closed_port(), "/x", as_is, TransferEnd::kRefused, CURLE_COULDNT_CONNECT, false},
      // An over-long label fails in the local resolver, before any query is sent.
      {"a name that does not resolve", std::string(70, 'a') + ".invalid", 80, "/x", as_is, TransferEnd::kHostNotFound,
       CURLE_COULDNT_RESOLVE_HOST, false},
      {"a host that is not a plain name, never sent", "127.0.0.1?q=1", 80, "/x", as_is, TransferEnd::kHostNotFound, 0,
       false},
      {"a connection that never comes up", lo, hole.port(), "/x",
       [](TransferLimits& l) { l.connect_timeout = std::chrono::milliseconds(300); }, TransferEnd::kConnectTimeout,
       CURLE_OPERATION_TIMEDOUT, false},
      {"accepted, never answered", lo, mute.port(), "/x", idle, TransferEnd::kIdleTimeout, 0, false},
      {"silent in the middle of the body", lo, midway.port(), "/x", idle, TransferEnd::kIdleTimeout, 0, true},
      {"a byte every 40 ms", lo, trickle.port(), "/x",
       [](TransferLimits& l) { l.low_speed_window = std::chrono::milliseconds(300); }, TransferEnd::kLowSpeed, 0,
       true},
      {"redirections silent for 200 ms each", lo, chain.port(), "/x",
       [](TransferLimits& l) { l.deadline = std::chrono::milliseconds(700); }, TransferEnd::kDeadline, 0, false},
      {"a body without end", lo, endless.port(), "/x",
       [](TransferLimits& l) { l.max_body_bytes = 64 * 1024; }, TransferEnd::kBodyCap, CURLE_WRITE_ERROR, true},
      {"a length past the cap announced", lo, large.port(), "/x",
       [](TransferLimits& l) { l.max_body_bytes = 64 * 1024; }, TransferEnd::kBodyCap, CURLE_WRITE_ERROR, true},
      {"closed without a response", lo, closing.port(), "/x", as_is, TransferEnd::kOtherFailure, CURLE_GOT_NOTHING,
       false},
      {"closed in the middle of the body", lo, cut_short.port(), "/x", as_is, TransferEnd::kOtherFailure,
       CURLE_PARTIAL_FILE, true},
      {"more redirections than allowed", lo, server_.port(), "/loop",
       [](TransferLimits& l) { l.max_redirects = 2; }, TransferEnd::kOtherFailure, CURLE_TOO_MANY_REDIRECTS, false},
  };
  for (const Row& row : rows) {
    CurlTransportSettings settings = settings_;
    row.shorten(settings.limits);
    CurlTransport t(settings);
    const Ended got = run_exchange(t, row.host, row.port, row.path);
    EXPECT_EQ(got.end, row.end) << row.what << ": " << TransferEndName(got.end);
    EXPECT_EQ(got.code, row.code) << row.what;
    EXPECT_EQ(got.head, row.head) << row.what;
  }
}

// Nothing but a request that has run says anything: not a root or a
// connection handle, not a handle never given out.
TEST_F(LoopbackExchange, OnlyARequestThatRanHasAnEnd) {
  CurlTransport t = transport();
  const auto root = t.open_root(T("agent"), {});
  const auto connection = t.connect(root, T("127.0.0.1"), server_.port());
  const auto request = t.open_request(connection, T("GET"), T("/"), 0);
  ASSERT_NE(request, 0u);
  for (const HttpTransport::Handle h : {HttpTransport::Handle{0}, root, connection, request, request + 100}) {
    EXPECT_EQ(t.transfer_end(h), TransferEnd::kNotEnded) << h;
    EXPECT_EQ(t.transfer_code(h), 0) << h;
  }
}

}  // namespace
}  // namespace pindrel
