// The exchange steps of SendHttpRequest over a scripted transport: which
// operations run in which order, what a failure at each step leaves in the out
// parameters and the jar, how the body and the header buffer are read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

class ScriptedTransport final : public HttpTransport {
 public:
  bool fail_root = false;
  bool fail_connect = false;
  bool fail_request = false;
  std::string body;                 // handed out by read()
  std::vector<int> chunk_sizes;     // sizes of successive reads (then 1024 each)
  std::string raw_headers;          // what the query writes; empty: the query fails
  std::vector<std::string> calls;

  Handle open_root(const Text& agent, const HttpProxySetting& proxy) override {
    calls.push_back("open_root " + std::string(agent.bytes()) + " " + std::to_string(proxy.access_type) +
                    " " + std::string(proxy.proxy_list.bytes()));
    return fail_root ? 0 : 1;
  }
  Handle connect(Handle root, const Text& host, int port) override {
    calls.push_back("connect " + std::to_string(root) + " " + std::string(host.bytes()) + " " +
                    std::to_string(port));
    return fail_connect ? 0 : 2;
  }
  Handle open_request(Handle connection, const Text& verb, const Text& path, uint32_t flags) override {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", flags);
    calls.push_back("open_request " + std::to_string(connection) + " " + std::string(verb.bytes()) + " " +
                    std::string(path.bytes()) + " " + hex);
    return fail_request ? 0 : 3;
  }
  bool send_request(Handle request, const Text& header_block, const ByteArray& body_bytes) override {
    calls.push_back("send " + std::to_string(request) + " [" + std::string(header_block.bytes()) + "] [" +
                    std::string(body_bytes.view()) + "]");
    return true;
  }
  int read(Handle, unsigned char* buffer, int size) override {
    ++reads;
    int want = size;
    if (!chunk_sizes.empty()) {
      want = std::min(size, chunk_sizes.front());
      chunk_sizes.erase(chunk_sizes.begin());
    }
    const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(want), body.size() - offset));
    std::memcpy(buffer, body.data() + offset, static_cast<std::size_t>(n));
    offset += static_cast<std::size_t>(n);
    max_request = std::max(max_request, size);
    return n;
  }
  bool query_raw_headers(Handle, char* buffer, std::size_t size) override {
    query_size = size;
    if (raw_headers.empty() || raw_headers.size() + 1 > size) return false;
    std::memcpy(buffer, raw_headers.c_str(), raw_headers.size() + 1);
    return true;
  }
  void close(Handle handle) override { calls.push_back("close " + std::to_string(handle)); }
  bool body_refused(Handle) override { return refuse_body; }

  bool refuse_body = false;   // the body went past the transport's cap

  int reads = 0;
  int max_request = 0;
  std::size_t query_size = 0;
  std::size_t offset = 0;
};

TEST(Exchange, OperationsInOrderAndHandlesClosedInnermostFirst) {
  ScriptedTransport t;
  t.body = "hello";
  t.raw_headers = "HTTP/1.1 200 OK\r\n\r\n";
  const ByteArray body = SendHttpRequest(t, T("http://H:81/p"));
  EXPECT_EQ(body, ByteArray::from_view("hello"));
  const std::vector<std::string> expected = {
      "open_root Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1) 1 ",
      "connect 1 h 81",
      "open_request 2 GET /p 80004010",
      std::string("send 3 [") + "Accept: */*\r\nReferer: http://H:81/p\r\nAccept-Language: zh-cn\r\n"
          "Content-Type: application/x-www-form-urlencoded" + "] []",
      "close 3",
      "close 2",
      "close 1"};
  EXPECT_EQ(t.calls, expected);
  EXPECT_EQ(t.query_size, 5000u);
  EXPECT_EQ(t.max_request, 1024);
}

TEST(Exchange, FailureBeforeSendingLeavesOutParametersAndJarAlone) {
  struct Row {
    bool root, connect, request;
    std::vector<std::string> closes;
  };
  for (const Row& row : {Row{true, false, false, {}}, Row{false, true, false, {"close 1"}},
                         Row{false, false, true, {"close 2", "close 1"}}}) {
    ScriptedTransport t;
    t.fail_root = row.root;
    t.fail_connect = row.connect;
    t.fail_request = row.request;
    t.body = "never read";
    Text jar = T("a=1; b=2");
    Text cookies = T("untouched");
    Text headers = T("untouched too");
    const ByteArray body = SendHttpRequest(t, T("http://h/"), 0, {}, &jar, &cookies, {}, &headers);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(jar, T("a=1; b=2"));
    EXPECT_EQ(cookies, T("untouched"));
    EXPECT_EQ(headers, T("untouched too"));
    std::vector<std::string> closes;
    for (const std::string& c : t.calls) {
      if (c.starts_with("close")) closes.push_back(c);
      EXPECT_FALSE(c.starts_with("send"));
    }
    EXPECT_EQ(closes, row.closes);
  }
}

TEST(Exchange, FailedHeaderQueryLeaves5000SpacesAndStillMergesTheJar) {
  ScriptedTransport t;  // raw_headers empty: the query fails
  Text jar = T("a = 1");
  Text cookies = T("x");
  Text headers;
  SendHttpRequest(t, T("http://h/"), 0, {}, &jar, &cookies, {}, &headers);
  EXPECT_EQ(headers, T(std::string(5000, ' ')));
  EXPECT_EQ(cookies, Text());
  EXPECT_EQ(jar, T("a=1"));  // merged with nothing: spaces gone
}

TEST(Exchange, HeadersThatDoNotFitGiveNoCookies) {
  ScriptedTransport t;
  t.body = "body";
  // 4999 bytes fit with their zero; 5000 do not.
  const std::string start = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX: ";
  const std::string fits = start + std::string(4999 - start.size() - 4, 'x') + "\r\n\r\n";
  const std::string over = start + std::string(5000 - start.size() - 4, 'x') + "\r\n\r\n";
  ASSERT_EQ(fits.size(), 4999u);
  ASSERT_EQ(over.size(), 5000u);

  t.raw_headers = fits;
  Text cookies, headers;
  EXPECT_EQ(SendHttpRequest(t, T("http://h/"), 0, {}, nullptr, &cookies, {}, &headers),
            ByteArray::from_view("body"));
  EXPECT_EQ(headers, T(fits));
  EXPECT_EQ(cookies, T("a=1"));

  ScriptedTransport t2;
  t2.body = "body";
  t2.raw_headers = over;
  EXPECT_EQ(SendHttpRequest(t2, T("http://h/"), 0, {}, nullptr, &cookies, {}, &headers),
            ByteArray::from_view("body"));
  EXPECT_EQ(headers, T(std::string(5000, ' ')));
  EXPECT_EQ(cookies, Text());
}

TEST(Exchange, BodyIsEveryChunkUntilAReadGivesNothing) {
  ScriptedTransport t;
  std::string body;
  for (int i = 0; i < 5000; ++i) body.push_back(static_cast<char>(i % 251));
  body[10] = '\0';
  t.body = body;
  t.chunk_sizes = {1, 1024, 7, 1000};
  EXPECT_EQ(SendHttpRequest(t, T("http://h/")), ByteArray(body));
}

TEST(Exchange, JarAndResponseCookies) {
  ScriptedTransport t;
  t.raw_headers = "HTTP/1.1 200 OK\r\nset-cookie: a=2; path=/\r\nSET-COOKIE: b=3\r\n\r\n";
  Text jar = T("a=1");
  Text cookies, headers;
  SendHttpRequest(t, T("http://h/"), 0, {}, &jar, &cookies, {}, &headers);
  EXPECT_EQ(jar, T("a=2; b=3"));
  EXPECT_EQ(cookies, T("a=2;b=3"));
  EXPECT_EQ(headers, T("HTTP/1.1 200 OK\r\nSet-Cookie: a=2; path=/\r\nSet-Cookie: b=3\r\n\r\n"));
  // The jar went out as a cookie line, and the transport's cookies were off.
  EXPECT_NE(t.calls.at(2).find(" 80084010"), std::string::npos) << t.calls.at(2);
  EXPECT_NE(t.calls.at(3).find("\r\nCookie: a=1]"), std::string::npos) << t.calls.at(3);

  // Without a jar the response cookies keep their spaces.
  ScriptedTransport t2;
  t2.raw_headers = t.raw_headers;
  SendHttpRequest(t2, T("http://h/"), 0, {}, nullptr, &cookies);
  EXPECT_EQ(cookies, T("a=2; b=3"));
}

TEST(Exchange, RefusedBodyFailsTheExchangeButKeepsTheHead) {
  ScriptedTransport t;
  t.body = std::string(3000, 'b');
  t.refuse_body = true;
  t.raw_headers = "HTTP/1.1 200 OK\r\nSet-Cookie: a=2\r\n\r\n";
  Text jar = T("a=1");
  Text cookies, headers;
  EXPECT_TRUE(SendHttpRequest(t, T("http://h/"), 0, {}, &jar, &cookies, {}, &headers).empty());
  EXPECT_EQ(headers, T(t.raw_headers));
  EXPECT_EQ(jar, T("a=2"));
  const std::vector<std::string> closes(t.calls.end() - 3, t.calls.end());
  EXPECT_EQ(closes, (std::vector<std::string>{"close 3", "close 2", "close 1"}));
}

}  // namespace
}  // namespace pindrel
