// SendHttpRequest over the real libcurl transport: the request as it goes
// over the wire (line, header block, agent, body), and the response as it
// comes back (body, raw headers).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/net/loopback_exchange.h"

namespace pindrel {
namespace {

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
