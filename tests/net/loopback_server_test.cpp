// The loopback servers themselves: what LoopbackServer records of a request
// sent byte for byte over a plain socket, how it routes, and the raw server's
// recording and replies.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/net/loopback_exchange.h"
#include "tools/loopback_server/loopback_server.h"
#include "tools/loopback_server/raw_socket_server.h"

namespace pindrel {
namespace {

// Sends `bytes` to 127.0.0.1:port and reads until the peer closes or `until`
// has arrived `times` times.
std::string exchange(int port, const std::string& bytes, const std::string& until = "", int times = 1) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(s);
    return "connect failed";
  }
  ::send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  std::string got;
  char buf[4096];
  for (;;) {
    if (!until.empty()) {
      int seen = 0;
      for (std::size_t p = got.find(until); p != std::string::npos; p = got.find(until, p + 1)) ++seen;
      if (seen >= times) break;
    }
    pollfd p{s, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) break;
    ssize_t n = ::recv(s, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  ::close(s);
  return got;
}

TEST(LoopbackServer, RecordsLinesInTheirOrderAndSpelling) {
  LoopbackServer s;
  s.route("POST", "/a", [](const RecordedRequest& r) { return ScriptedResponse{201, {}, "got " + r.body}; });
  ASSERT_TRUE(s.start());
  const std::string request =
      "POST /a?k=v HTTP/1.1\r\nzeta: 1\r\nHost: x\r\nALPHA:2\r\nContent-Length: 5\r\n"
      "Connection: close\r\n\r\n" + std::string("ab\0cd", 5);
  const std::string reply = exchange(s.port(), request, "got ab");
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 201 Created\r\n")) << reply;
  const auto all = s.requests();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].request_line, "POST /a?k=v HTTP/1.1");
  EXPECT_EQ(all[0].header_lines,
            (std::vector<std::string>{"zeta: 1", "Host: x", "ALPHA:2", "Content-Length: 5", "Connection: close"}));
  EXPECT_EQ(all[0].body, std::string("ab\0cd", 5));
  EXPECT_EQ(all[0].method, "POST");
  EXPECT_EQ(all[0].target, "/a?k=v");
  EXPECT_EQ(all[0].path, "/a");
  EXPECT_EQ(all[0].header("alpha"), "2");
  EXPECT_EQ(all[0].header_count("ZETA"), 1);
  EXPECT_EQ(all[0].header("missing"), "");
}

TEST(LoopbackServer, KeepsRequestsOfOneConnectionApart) {
  LoopbackServer s;
  s.route("GET", "/1", ScriptedResponse{200, {}, "one"});
  s.route("POST", "/2", ScriptedResponse{200, {}, "two"});
  ASSERT_TRUE(s.start());
  exchange(s.port(),
           "GET /1 HTTP/1.1\r\nA: 1\r\n\r\nPOST /2 HTTP/1.1\r\nB: 2\r\nContent-Length: 3\r\n\r\nxyz",
           "HTTP/1.1 200", 2);
  const auto all = s.requests();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].request_line, "GET /1 HTTP/1.1");
  EXPECT_EQ(all[0].header_lines, std::vector<std::string>{"A: 1"});
  EXPECT_EQ(all[1].request_line, "POST /2 HTTP/1.1");
  EXPECT_EQ(all[1].header_lines, (std::vector<std::string>{"B: 2", "Content-Length: 3"}));
  EXPECT_EQ(all[1].body, "xyz");
}

TEST(LoopbackServer, RecordsTheBodyOfAGet) {
  LoopbackServer s;
  s.route("GET", "/g", [](const RecordedRequest& r) { return ScriptedResponse{200, {}, "saw " + r.body}; });
  ASSERT_TRUE(s.start());
  const std::string reply =
      exchange(s.port(), "GET /g HTTP/1.1\r\nContent-Length: 3\r\n\r\nabcGET /g HTTP/1.1\r\n\r\n", "saw", 2);
  EXPECT_NE(reply.find("saw abc"), std::string::npos) << reply;
  const auto all = s.requests();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].body, "abc");
  EXPECT_EQ(all[1].request_line, "GET /g HTTP/1.1");
  EXPECT_EQ(all[1].body, "");
}

TEST(LoopbackServer, RecordsLargeFormBodies) {
  LoopbackServer s;
  s.route("POST", "/f", [](const RecordedRequest& r) { return ScriptedResponse{200, {}, std::to_string(r.body.size())}; });
  ASSERT_TRUE(s.start());
  const std::string body(100000, 'k');
  const std::string reply = exchange(s.port(),
                                     "POST /f HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                     "Content-Length: 100000\r\nConnection: close\r\n\r\n" + body);
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 200 OK\r\n")) << reply;
  EXPECT_TRUE(reply.ends_with("\r\n\r\n100000")) << reply;
  ASSERT_EQ(s.requests().size(), 1u);
  EXPECT_EQ(s.requests()[0].body, body);
}

TEST(LoopbackServer, RoutesByMethodAndPathElseFallback) {
  LoopbackServer s;
  s.route("GET", "/p", ScriptedResponse{200, {{"X-Route", "p"}, {"Content-Type", "text/plain"}}, "p"});
  ASSERT_TRUE(s.start());
  const std::string routed = exchange(s.port(), "GET /p?q HTTP/1.1\r\nConnection: close\r\n\r\n");
  EXPECT_NE(routed.find("X-Route: p\r\n"), std::string::npos) << routed;
  EXPECT_NE(routed.find("Content-Type: text/plain\r\n"), std::string::npos) << routed;
  EXPECT_TRUE(exchange(s.port(), "POST /p HTTP/1.1\r\nConnection: close\r\nContent-Length: 0\r\n\r\n")
                  .starts_with("HTTP/1.1 404"));
  s.set_fallback([](const RecordedRequest& r) { return ScriptedResponse{200, {}, "fallback " + r.target}; });
  EXPECT_NE(exchange(s.port(), "GET http://elsewhere/z HTTP/1.1\r\nConnection: close\r\n\r\n")
                .find("fallback http://elsewhere/z"),
            std::string::npos);
  EXPECT_NE(exchange(s.port(), "CONNECT h:443 HTTP/1.1\r\nHost: h:443\r\n\r\n", "fallback h:443")
                .find("fallback h:443"),
            std::string::npos);
  const auto all = s.requests();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[3].request_line, "CONNECT h:443 HTTP/1.1");
}

TEST(LoopbackServer, StartsOnAGivenPortAndAgainAfterStop) {
  LoopbackServer first;
  ASSERT_TRUE(first.start());
  const int port = first.port();
  first.stop();
  EXPECT_EQ(first.port(), 0);
  LoopbackServer second;
  second.route("GET", "/", ScriptedResponse{200, {}, "fixed"});
  ASSERT_TRUE(second.start(port));
  EXPECT_EQ(second.port(), port);
  EXPECT_EQ(second.base_url(), "http://127.0.0.1:" + std::to_string(port));
  EXPECT_NE(exchange(port, "GET / HTTP/1.1\r\nConnection: close\r\n\r\n").find("fixed"), std::string::npos);
  // The port is taken now.
  LoopbackServer third;
  EXPECT_FALSE(third.start(port));
}

TEST(RawSocketServer, RecordsTheRequestAndSendsTheScriptedBytes) {
  RawSocketServer s(RawSocketServer::reply("any bytes\r\n"));
  ASSERT_TRUE(s.start());
  const std::string request = "PUT /r HTTP/1.1\r\nContent-Length: 4\r\n\r\nbody";
  EXPECT_EQ(exchange(s.port(), request), "any bytes\r\n");
  s.stop();
  ASSERT_EQ(s.requests().size(), 1u);
  EXPECT_EQ(s.requests()[0], request);
}

TEST(RawSocketServer, StopEndsAHeldConnection) {
  RawSocketServer s([](RawConnection& c) {
    c.send("partial");
    c.hold();
  });
  ASSERT_TRUE(s.start());
  std::thread client([port = s.port()] { exchange(port, "GET / HTTP/1.1\r\n\r\n"); });
  const bool held = wait_until([&s] { return !s.requests().empty(); });
  s.stop();  // returns although the client is still waiting
  client.join();
  ASSERT_TRUE(held);
  EXPECT_EQ(s.requests().size(), 1u);
}

}  // namespace
}  // namespace pindrel
