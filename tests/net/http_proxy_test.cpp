// SendHttpRequest over the real libcurl transport through a proxy on
// loopback: the absolute form for plain addresses, a tunnel for secure ones,
// and proxy list entries that apply to their scheme only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/net/loopback_exchange.h"

namespace pindrel {
namespace {

TEST_F(LoopbackExchange, ProxyForAPlainAddressGetsTheAbsoluteForm) {
  LoopbackServer proxy;
  proxy.set_fallback([](const RecordedRequest&) { return ScriptedResponse{200, {}, "via proxy"}; });
  ASSERT_TRUE(proxy.start());
  CurlTransport t = transport();
  const Text proxy_address = T("127.0.0.1:" + std::to_string(proxy.port()));
  // The origin's name is never looked up: the proxy is asked for it.
  const ByteArray body = SendHttpRequest(t, T("http://origin.example/p?q=1"), 0, {}, nullptr, nullptr, {},
                                         nullptr, false, {}, proxy_address);
  EXPECT_EQ(body, ByteArray::from_view("via proxy"));
  // A proxy written with its scheme works the same.
  EXPECT_EQ(SendHttpRequest(t, T("http://origin.example/p?q=1"), 0, {}, nullptr, nullptr, {}, nullptr, false, {},
                            T("http://127.0.0.1:" + std::to_string(proxy.port()))),
            ByteArray::from_view("via proxy"));
  // A colon without a number (port 0) stands for the scheme's default port.
  EXPECT_EQ(SendHttpRequest(t, T("http://origin.example:/p?q=1"), 0, {}, nullptr, nullptr, {}, nullptr, false, {},
                            proxy_address),
            ByteArray::from_view("via proxy"));
  const auto all = proxy.requests();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].request_line, all[0].request_line);
  EXPECT_EQ(all[2].request_line, "GET http://origin.example/p?q=1 HTTP/1.1");  // port 80 goes unwritten
  EXPECT_EQ(all[2].header("Host"), "origin.example");
  EXPECT_EQ(all[2].header("Referer"), "http://origin.example:/p?q=1");
  EXPECT_EQ(all[0].request_line, "GET http://origin.example/p?q=1 HTTP/1.1");
  EXPECT_EQ(all[0].header("Host"), "origin.example");
  EXPECT_EQ(all[0].header("Referer"), "http://origin.example/p?q=1");
  EXPECT_TRUE(server_.requests().empty());
}

TEST_F(LoopbackExchange, ProxyForASecureAddressIsAskedForATunnel) {
  LoopbackServer proxy;
  proxy.set_fallback([](const RecordedRequest&) { return ScriptedResponse{403, {}, "no"}; });
  ASSERT_TRUE(proxy.start());
  CurlTransport t = transport();
  Text headers;
  const ByteArray body = SendHttpRequest(t, T("https://origin.example/p"), 0, {}, nullptr, nullptr, {}, &headers,
                                         false, {}, T("127.0.0.1:" + std::to_string(proxy.port())));
  EXPECT_TRUE(body.empty());
  const auto all = proxy.requests();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].request_line, "CONNECT origin.example:443 HTTP/1.1");
  // The refused tunnel is not the origin's response.
  EXPECT_EQ(headers, T(kSpaces));
}

TEST_F(LoopbackExchange, ProxyListEntriesApplyToTheirSchemeOnly) {
  LoopbackServer proxy;
  proxy.set_fallback([](const RecordedRequest&) { return ScriptedResponse{200, {}, "via proxy"}; });
  ASSERT_TRUE(proxy.start());
  server_.route("GET", "/direct", ScriptedResponse{200, {}, "direct"});
  const std::string p = "127.0.0.1:" + std::to_string(proxy.port());
  // Runs one exchange through the transport's operations with a given list.
  auto fetch = [this](const std::string& list, bool secure, int port) {
    CurlTransport t = transport();
    const auto root = t.open_root(T("agent"), HttpProxySetting{kOpenTypeProxy, T(list)});
    const auto conn = t.connect(root, T("127.0.0.1"), port);
    const auto req = t.open_request(conn, T("GET"), T("/direct"), secure ? kFlagSecure : 0u);
    t.send_request(req, T("Accept: */*"), {});
    std::string body;
    unsigned char buf[1024];
    for (int n; (n = t.read(req, buf, sizeof buf)) > 0;) body.append(reinterpret_cast<char*>(buf), n);
    t.close(req);
    t.close(conn);
    t.close(root);
    return body;
  };
  EXPECT_EQ(fetch("http=" + p, false, server_.port()), "via proxy");
  EXPECT_EQ(fetch("https=" + p, false, server_.port()), "direct");
  EXPECT_EQ(fetch("ftp=" + p + " https=" + p, false, server_.port()), "direct");
  EXPECT_EQ(fetch("https=" + p + ";http=" + p, false, server_.port()), "via proxy");
  EXPECT_EQ(proxy.requests().size(), 2u);
  // A list for plain addresses only leaves a secure one direct (here: refused).
  EXPECT_EQ(fetch("http=" + p, true, closed_port()), "");
  EXPECT_EQ(proxy.requests().size(), 2u);
}

}  // namespace
}  // namespace pindrel
