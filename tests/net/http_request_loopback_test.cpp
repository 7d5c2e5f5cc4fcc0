// SendHttpRequest against the real libcurl transport and servers on
// 127.0.0.1: what goes over the wire, and what comes back to the caller.
// Every test runs with its own cookie store so that cookies of one test never
// reach another; the time-out test shortens the transport's idle period
// through its settings.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/curl_transport.h"
#include "net/http_request.h"
#include "tests/support/test_text.h"
#include "tools/loopback_server/loopback_server.h"
#include "tools/loopback_server/raw_socket_server.h"

namespace pindrel {
namespace {

const std::string kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const std::string kSpaces(5000, ' ');

std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// A loopback port with nobody listening on it.
int closed_port() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(s);
  return ntohs(addr.sin_port);
}

class LoopbackExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.cookie_store = &store_;
    ASSERT_TRUE(server_.start());
  }
  void TearDown() override { server_.stop(); }

  Text url(const std::string& path) const { return T(server_.base_url() + path); }

  CurlTransport transport() const { return CurlTransport(settings_); }

  RecordedRequest only_request() const {
    auto all = server_.requests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? RecordedRequest{} : all.front();
  }

  CurlCookieStore store_;
  CurlTransportSettings settings_;
  LoopbackServer server_;
};

TEST_F(LoopbackExchange, AddressAloneSendsTheDefaultBlockAndAgent) {
  server_.route("GET", "/video/ab", ScriptedResponse{200, {}, "page"});
  CurlTransport t = transport();
  const Text address = url("/video/ab?x=1");
  EXPECT_EQ(SendHttpRequest(t, address), ByteArray::from_view("page"));
  const RecordedRequest r = only_request();
  EXPECT_EQ(r.request_line, "GET /video/ab?x=1 HTTP/1.1");
  const std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server_.port()),
      "User-Agent: " + kDefaultAgent,
      "Accept: */*",
      "Referer: " + std::string(address.bytes()),
      "Accept-Language: zh-cn",
      "Content-Type: application/x-www-form-urlencoded"};
  EXPECT_EQ(r.header_lines, expected);
  EXPECT_EQ(r.body, "");
}

TEST_F(LoopbackExchange, TheTenParameterCallWorksWithTheProgramsOwnTransport) {
  server_.route("GET", "/plain", ScriptedResponse{200, {{"X-Mark", "1"}}, "plain body"});
  Text headers;
  EXPECT_EQ(SendHttpRequest(url("/plain"), 0, {}, nullptr, nullptr, {}, &headers),
            ByteArray::from_view("plain body"));
  EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 200 OK\r\n")) << show_bytes(headers.bytes());
  EXPECT_NE(headers.bytes().find("X-Mark: 1\r\n"), std::string_view::npos);
  EXPECT_TRUE(headers.bytes().ends_with("\r\n\r\n"));
}

TEST_F(LoopbackExchange, MethodsAndBodies) {
  server_.set_fallback([](const RecordedRequest& r) { return ScriptedResponse{200, {}, r.method + ":" + r.body}; });
  struct Row {
    int method;
    std::string body_text;
    std::string body_bytes;
    std::string verb;
    std::string sent;
    std::string content_length;  // empty: no such line
  };
  const std::vector<Row> rows = {
      {0, "t=1", "b=2", "GET", "", ""},
      {1, "t=1", "b=2", "POST", "b=2", "3"},
      {1, "t=1", "", "POST", "t=1", "3"},
      {1, "", "", "POST", "", "0"},
      {2, "t=12", "", "GET", "t=12", "4"},
      {2, "", "", "GET", "", ""},
      {1, "", std::string("z\0z", 3), "POST", std::string("z\0z", 3), "3"},
      // A large body goes at once, without "Expect: 100-continue".
      {1, "", pattern(2 << 20), "POST", pattern(2 << 20), std::to_string(2 << 20)},
  };
  for (const Row& row : rows) {
    server_.clear_requests();
    CurlTransport t = transport();
    const ByteArray body = SendHttpRequest(t, url("/m"), row.method, T(row.body_text), nullptr, nullptr, {},
                                           nullptr, false, ByteArray::from_view(row.body_bytes));
    EXPECT_EQ(body, ByteArray(row.verb + ":" + row.sent)) << "method " << row.method;
    const RecordedRequest r = only_request();
    EXPECT_EQ(r.method, row.verb);
    EXPECT_EQ(r.body, row.sent);
    EXPECT_EQ(r.header("Content-Length"), row.content_length) << "method " << row.method;
    EXPECT_EQ(r.header_count("Content-Length"), row.content_length.empty() ? 0 : 1);
    EXPECT_EQ(r.header_count("Content-Type"), 1);
    EXPECT_EQ(r.header_count("Expect"), 0);
  }
}

TEST_F(LoopbackExchange, CallersLinesGoOutInTheirOrderAndSpelling) {
  server_.set_fallback([](const RecordedRequest&) { return ScriptedResponse{200, {}, "ok"}; });
  struct Row {
    std::string extra;
    std::vector<std::string> lines;  // after Host
  };
  const std::string ref = "Referer: " + server_.base_url() + "/h";
  const std::vector<Row> rows = {
      {"User-Agent: X",
       {"User-Agent: X", "Accept: */*", ref, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded"}},
      {"user-agent: X",
       {"user-agent: X", "Accept: */*", ref, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded"}},
      // Lower-case accept: the default accept line follows it.
      {"accept: text/html",
       {"User-Agent: " + kDefaultAgent, "accept: text/html", "Accept: */*", ref, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded"}},
      {"Referer: http://elsewhere/",
       {"User-Agent: " + kDefaultAgent, "Referer: http://elsewhere/", "Accept: */*",
        "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded"}},
      // A user-agent line with nothing after it goes out empty, once.
      {"User-Agent:",
       {"User-Agent:", "Accept: */*", ref, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded"}},
      // A bare CR or LF never reaches the wire, and never starts a line.
      {"X-A: 1\nX-B: 2\r\nX-C: 3\rX-D: 4",
       {"User-Agent: " + kDefaultAgent, "X-A: 1 X-B: 2", "X-C: 3 X-D: 4", "Accept: */*", ref,
        "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded"}},
      // Nor through the agent that a lone line names.
      {"X-A: User-Agent: a\nB: 1",
       {"User-Agent: User-Agent: a B: 1", "X-A: User-Agent: a B: 1", "Accept: */*", ref,
        "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded"}},
  };
  for (const Row& row : rows) {
    server_.clear_requests();
    CurlTransport t = transport();
    EXPECT_EQ(SendHttpRequest(t, url("/h"), 0, {}, nullptr, nullptr, T(row.extra)), ByteArray::from_view("ok"));
    RecordedRequest r = only_request();
    ASSERT_FALSE(r.header_lines.empty());
    EXPECT_EQ(r.header_lines.front(), "Host: 127.0.0.1:" + std::to_string(server_.port()));
    r.header_lines.erase(r.header_lines.begin());
    EXPECT_EQ(r.header_lines, row.lines) << show_bytes(row.extra);
  }
}

TEST_F(LoopbackExchange, CallersCookieLineAndJarGiveTwoCookieLines) {
  server_.set_fallback([](const RecordedRequest&) { return ScriptedResponse{200, {}, ""}; });
  CurlTransport t = transport();
  Text jar = T("a=1");
  SendHttpRequest(t, url("/c"), 0, {}, &jar, nullptr, T("Cookie: x=9"));
  const RecordedRequest r = only_request();
  std::vector<std::string> cookie_lines;
  for (const std::string& line : r.header_lines) {
    if (line.starts_with("Cookie:")) cookie_lines.push_back(line);
  }
  EXPECT_EQ(cookie_lines, (std::vector<std::string>{"Cookie: x=9", "Cookie: a=1"}));
}

TEST_F(LoopbackExchange, PassedEmptyJarSendsNoCookieAndCollectsTheResponses) {
  server_.route("GET", "/set", ScriptedResponse{200, {{"Set-Cookie", "s=1; path=/"}}, ""});
  server_.route("GET", "/again", ScriptedResponse{200, {}, ""});
  CurlTransport t = transport();
  Text jar;
  SendHttpRequest(t, url("/set"), 0, {}, &jar);
  EXPECT_EQ(jar, T("s=1"));
  // The jar kept the transport's own cookie store out: a call without a jar
  // does not carry the cookie.
  SendHttpRequest(t, url("/again"));
  const auto all = server_.requests();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].header_count("Cookie"), 0);
  EXPECT_EQ(all[1].header_count("Cookie"), 0);
}

TEST_F(LoopbackExchange, CookieWithALineBreakCannotAddAHeader) {
  RawSocketServer raw(RawSocketServer::reply(
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\rX-Injected: 1\r\nContent-Length: 0\r\n\r\n"));
  ASSERT_TRUE(raw.start());
  server_.route("GET", "/next", ScriptedResponse{200, {}, ""});
  CurlTransport t = transport();
  Text jar;
  SendHttpRequest(t, T(raw.base_url() + "/"), 0, {}, &jar);
  EXPECT_EQ(jar, T("a=1\rX-Injected:1"));
  SendHttpRequest(t, url("/next"), 0, {}, &jar);
  const RecordedRequest r = only_request();
  EXPECT_EQ(r.header_count("X-Injected"), 0);
  EXPECT_EQ(r.header("Cookie"), "a=1 X-Injected:1");
}

TEST_F(LoopbackExchange, JarMergedWithTheResponsesCookies) {
  server_.route("GET", "/jar",
                ScriptedResponse{200, {{"Set-Cookie", "a=2; path=/"}, {"Set-Cookie", "b=3"}}, "j"});
  CurlTransport t = transport();
  Text jar = T("a=1");
  Text cookies;
  EXPECT_EQ(SendHttpRequest(t, url("/jar"), 0, {}, &jar, &cookies), ByteArray::from_view("j"));
  EXPECT_EQ(only_request().header("Cookie"), "a=1");
  EXPECT_EQ(only_request().header_count("Cookie"), 1);
  EXPECT_EQ(jar, T("a=2; b=3"));
  EXPECT_EQ(cookies, T("a=2;b=3"));
}

TEST_F(LoopbackExchange, WithoutAJarTheTransportsStoreCarriesCookies) {
  server_.route("GET", "/set", ScriptedResponse{200, {{"Set-Cookie", "s=1; path=/"}}, ""});
  server_.route("GET", "/next", ScriptedResponse{200, {}, ""});
  CurlTransport t = transport();
  Text cookies;
  SendHttpRequest(t, url("/set"), 0, {}, nullptr, &cookies);
  EXPECT_EQ(cookies, T("s=1"));
  CurlTransport other = transport();  // another transport, the same store
  SendHttpRequest(other, url("/next"));
  const auto all = server_.requests();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].header("Cookie"), "s=1");
}

TEST_F(LoopbackExchange, UpperCaseSetCookieComesBackRespelled) {
  server_.route("GET", "/upper", ScriptedResponse{200, {{"SET-COOKIE", "z=1"}}, ""});
  CurlTransport t = transport();
  Text cookies, headers;
  SendHttpRequest(t, url("/upper"), 0, {}, nullptr, &cookies, {}, &headers);
  EXPECT_NE(headers.bytes().find("\r\nSet-Cookie: z=1\r\n"), std::string_view::npos) << show_bytes(headers.bytes());
  EXPECT_EQ(headers.bytes().find("SET-COOKIE"), std::string_view::npos);
  EXPECT_EQ(cookies, T("z=1"));
}

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
  while (!tls.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
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

TEST_F(LoopbackExchange, PathGoesOutWithSpacesEscapedAndWithoutItsFragment) {
  server_.set_fallback([](const RecordedRequest&) { return ScriptedResponse{200, {}, "ok"}; });
  struct Row {
    std::string path;
    std::string target;
  };
  for (const Row& row : {Row{"/a b?c d", "/a%20b?c%20d"}, Row{"/p/../q/./r", "/p/../q/./r"},
                         Row{"/x?y=1#frag", "/x?y=1"}, Row{"/q?k=\xD6\xD0", "/q?k=\xD6\xD0"}}) {
    server_.clear_requests();
    CurlTransport t = transport();
    EXPECT_EQ(SendHttpRequest(t, url(row.path)), ByteArray::from_view("ok")) << row.path;
    EXPECT_EQ(only_request().target, row.target);
  }
}

TEST_F(LoopbackExchange, OversizedHeadersBlankTheBufferButKeepTheBody) {
  server_.route("GET", "/big",
                ScriptedResponse{200, {{"Set-Cookie", "a=1"}, {"X-Big", std::string(6000, 'x')}}, "intact"});
  CurlTransport t = transport();
  Text headers, cookies;
  EXPECT_EQ(SendHttpRequest(t, url("/big"), 0, {}, nullptr, &cookies, {}, &headers), ByteArray::from_view("intact"));
  EXPECT_EQ(headers, T(kSpaces));
  EXPECT_EQ(cookies, Text());
}

TEST_F(LoopbackExchange, HeaderBlockOfExactly4999BytesFitsAnd5000DoNot) {
  // The block as the transport hands it over: status line, lines, empty line.
  auto response = [](std::size_t block_size) {
    const std::string start = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Length: 4\r\nX: ";
    return start + std::string(block_size - start.size() - 4, 'x') + "\r\n\r\nbody";
  };
  for (std::size_t size : {4999u, 5000u}) {
    const std::string wire = response(size);
    RawSocketServer raw(RawSocketServer::reply(wire));
    ASSERT_TRUE(raw.start());
    CurlTransport t = transport();
    Text headers, cookies;
    EXPECT_EQ(SendHttpRequest(t, T(raw.base_url() + "/"), 0, {}, nullptr, &cookies, {}, &headers),
              ByteArray::from_view("body"));
    if (size == 4999) {
      EXPECT_EQ(headers, T(wire.substr(0, size)));
      EXPECT_EQ(cookies, T("a=1"));
    } else {
      EXPECT_EQ(headers, T(kSpaces));
      EXPECT_EQ(cookies, Text());
    }
  }
}

TEST_F(LoopbackExchange, BareLineFeedsInTheResponseComeBackAsCrLf) {
  RawSocketServer raw(RawSocketServer::reply("HTTP/1.1 200 OK\nSet-Cookie: n=1\nContent-Length: 2\n\nok"));
  ASSERT_TRUE(raw.start());
  CurlTransport t = transport();
  Text headers;
  EXPECT_EQ(SendHttpRequest(t, T(raw.base_url() + "/"), 0, {}, nullptr, nullptr, {}, &headers),
            ByteArray::from_view("ok"));
  EXPECT_EQ(headers, T("HTTP/1.1 200 OK\r\nSet-Cookie: n=1\r\nContent-Length: 2\r\n\r\n"));
}

TEST_F(LoopbackExchange, LargeBodyArrivesIntact) {
  const std::string big = pattern(16 * 1024 * 1024);
  server_.route("GET", "/big", ScriptedResponse{200, {{"Content-Type", "application/octet-stream"}}, big});
  CurlTransport t = transport();
  const ByteArray body = SendHttpRequest(t, url("/big"));
  ASSERT_EQ(body.size(), big.size());
  EXPECT_TRUE(body.view() == big);
}

TEST_F(LoopbackExchange, ChunkedBodyArrivesWhole) {
  const std::string wire =
      std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: c=1\r\n\r\n") +
      "5\r\nhello\r\n1\r\n" + std::string(1, '\0') + "\r\n6\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n";
  RawSocketServer chunked(RawSocketServer::reply(wire));
  ASSERT_TRUE(chunked.start());
  CurlTransport t = transport();
  Text headers, cookies;
  const ByteArray body =
      SendHttpRequest(t, T(chunked.base_url() + "/c"), 0, {}, nullptr, &cookies, {}, &headers);
  EXPECT_EQ(body, ByteArray(std::string("hello") + std::string(1, '\0') + " world"));
  // The trailer is not a header of the response.
  EXPECT_EQ(headers, T("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: c=1\r\n\r\n"));
  EXPECT_EQ(cookies, T("c=1"));
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

TEST_F(LoopbackExchange, InterimResponseIsNotTheFinalOne) {
  RawSocketServer raw(RawSocketServer::reply(
      "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal"));
  RawSocketServer cut(RawSocketServer::reply("HTTP/1.1 100 Continue\r\n\r\n"));
  ASSERT_TRUE(raw.start());
  ASSERT_TRUE(cut.start());
  CurlTransport t = transport();
  Text headers;
  EXPECT_EQ(SendHttpRequest(t, T(raw.base_url() + "/"), 1, T("x=1"), nullptr, nullptr, {}, &headers),
            ByteArray::from_view("final"));
  EXPECT_EQ(headers, T("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"));
  // Only the interim response, then the connection closes: no final headers.
  EXPECT_TRUE(SendHttpRequest(t, T(cut.base_url() + "/"), 1, T("x=1"), nullptr, nullptr, {}, &headers).empty());
  EXPECT_EQ(headers, T(kSpaces));
}

TEST_F(LoopbackExchange, ErrorStatusIsAnOrdinaryResponse) {
  server_.route("GET", "/missing", ScriptedResponse{404, {{"Set-Cookie", "e=1"}}, "not here"});
  CurlTransport t = transport();
  Text headers, cookies;
  EXPECT_EQ(SendHttpRequest(t, url("/missing"), 0, {}, nullptr, &cookies, {}, &headers),
            ByteArray::from_view("not here"));
  EXPECT_TRUE(headers.bytes().starts_with("HTTP/1.1 404 Not Found\r\n"));
  EXPECT_EQ(cookies, T("e=1"));
}

}  // namespace
}  // namespace pindrel
