// SendHttpRequest over the real libcurl transport: redirections followed,
// returned, limited and kept within http and https; certificates checked.
#include <gtest/gtest.h>
#include <httplib.h>


#include <chrono>
#include <string>
#include <vector>
#include <thread>

#include "tests/net/loopback_exchange.h"

namespace pindrel {
namespace {

TEST_F(LoopbackExchange, RedirectionFollowedOrReturned) {
  server_.route("GET", "/from", ScriptedResponse{302, {{"Location", "/to"}, {"Set-Cookie", "f=1"}}, "moved"});
  server_.route("GET", "/to", ScriptedResponse{200, {{"Set-Cookie", "t=2"}}, "arrived"});
  {
    CurlTransport t = transport();
    Text headers, cookies;
    EXPECT_EQ(SendHttpRequest(t, url("/from"), 0, {}, nullptr, &cookies, {}, &headers),
              ByteArray::from_view("arrived"));
    EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 200 OK\r\n")) << show_bytes(headers.bytes());
    EXPECT_EQ(cookies, T("t=2"));  // the final response's headers only
    const auto all = server_.requests();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].request_line, "GET /to HTTP/1.1");
  }
  server_.clear_requests();
  {
    CurlTransport t = transport();
    Text headers, cookies;
    EXPECT_EQ(SendHttpRequest(t, url("/from"), 0, {}, nullptr, &cookies, {}, &headers, true),
              ByteArray::from_view("moved"));
    EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 302 Found\r\n")) << show_bytes(headers.bytes());
    EXPECT_NE(headers.bytes().find("Location: /to\r\n"), std::string_view::npos);
    EXPECT_EQ(cookies, T("f=1"));
    EXPECT_EQ(server_.requests().size(), 1u);
  }
}

TEST_F(LoopbackExchange, RedirectionToASilentServerEndsWithoutHeaders) {
  settings_.limits.idle_timeout = std::chrono::milliseconds(1500);
  RawSocketServer mute([](RawConnection& c) { c.hold(); });
  ASSERT_TRUE(mute.start());
  server_.route("GET", "/away", ScriptedResponse{302, {{"Location", mute.base_url() + "/there"}, {"Set-Cookie", "r=1"}}, ""});
  CurlTransport t = transport();
  Text headers, cookies;
  EXPECT_TRUE(SendHttpRequest(t, url("/away"), 0, {}, nullptr, &cookies, {}, &headers).empty());
  // The redirection was not the final response, and there was none.
  EXPECT_EQ(headers, T(kSpaces));
  EXPECT_EQ(cookies, Text());
  ASSERT_EQ(mute.requests().size(), 1u);
  EXPECT_TRUE(mute.requests()[0].starts_with("GET /there HTTP/1.1\r\n"));
}

TEST_F(LoopbackExchange, RedirectionLoopEndsAtTheLimit) {
  server_.route("GET", "/loop", ScriptedResponse{302, {{"Location", "/loop"}}, "again"});
  settings_.limits.max_redirects = 4;
  CurlTransport t = transport();
  Text headers;
  EXPECT_TRUE(SendHttpRequest(t, url("/loop"), 0, {}, nullptr, nullptr, {}, &headers).empty());
  EXPECT_EQ(server_.requests().size(), 5u);  // the first request and four redirections
  EXPECT_EQ(headers, T(kSpaces));
}

TEST_F(LoopbackExchange, RedirectionToAnotherSchemeIsNotFollowed) {
  RawSocketServer other([](RawConnection&) {});
  ASSERT_TRUE(other.start());
  server_.route("GET", "/ftp",
                ScriptedResponse{302, {{"Location", "ftp://127.0.0.1:" + std::to_string(other.port()) + "/x"}}, ""});
  CurlTransport t = transport();
  EXPECT_TRUE(SendHttpRequest(t, url("/ftp")).empty());
  other.stop();
  EXPECT_TRUE(other.requests().empty());  // nobody connected
}

TEST_F(LoopbackExchange, SelfSignedCertificateIsRefusedAndRedirectionsOnlyGoUpToTls) {
  const std::string dir = PINDREL_NET_TEST_DATA;
  httplib::SSLServer tls((dir + "/loopback_cert.pem").c_str(), (dir + "/loopback_key.pem").c_str());
  ASSERT_TRUE(tls.is_valid());
  tls.Get("/secret", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
  const int port = tls.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread thread([&tls] { tls.listen_after_bind(); });
  if (!wait_until([&tls] { return tls.is_running(); })) {
    tls.stop();
    thread.join();
    FAIL() << "the TLS server did not come up";
  }
  const Text address = T("https://127.0.0.1:" + std::to_string(port) + "/secret");

  CurlTransport t = transport();
  Text headers, cookies;
  EXPECT_TRUE(SendHttpRequest(t, address, 0, {}, nullptr, &cookies, {}, &headers).empty());
  EXPECT_EQ(headers, T(kSpaces));
  EXPECT_EQ(cookies, Text());

  // The same server with its certificate trusted: the refusal was the check.
  settings_.ca_file = dir + "/loopback_cert.pem";
  CurlTransport trusting = transport();
  EXPECT_EQ(SendHttpRequest(trusting, address), ByteArray::from_view("secret"));

  // A plain address may be redirected to a secure one; a secure one is never
  // redirected down to plain http.
  server_.route("GET", "/up", ScriptedResponse{302, {{"Location", std::string(address.bytes())}}, ""});
  server_.route("GET", "/plain", ScriptedResponse{200, {}, "plain"});
  const std::string plain = server_.base_url() + "/plain";
  tls.Get("/down", [plain](const httplib::Request&, httplib::Response& res) {
    res.status = 302;
    res.set_header("Location", plain);
  });
  EXPECT_EQ(SendHttpRequest(trusting, url("/up")), ByteArray::from_view("secret"));
  EXPECT_TRUE(SendHttpRequest(trusting, T("https://127.0.0.1:" + std::to_string(port) + "/down")).empty());
  for (const RecordedRequest& r : server_.requests()) EXPECT_NE(r.path, "/plain");
  tls.stop();
  thread.join();
}

}  // namespace
}  // namespace pindrel
