// SendHttpRequest over the real libcurl transport: cookies sent from the
// caller's jar, collected from the response, merged, or left to the
// transport's own store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/net/loopback_exchange.h"

namespace pindrel {
namespace {

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

}  // namespace
}  // namespace pindrel
