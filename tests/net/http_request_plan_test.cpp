// The request as composed from the arguments, byte for byte: verb, agent,
// proxy list, flags, header block, body, host, port, path.
#include "net/http_request_plan.h"

#include <gtest/gtest.h>

#include "tests/support/test_text.h"

namespace pindrel {
namespace {

const char* const kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(ComposeHttpRequest, AddressAloneGivesTheDefaults) {
  const HttpRequestPlan plan = ComposeHttpRequest(T("http://Mirror.Example:8080/video/ab12?x=1"));
  EXPECT_EQ(plan.verb, T("GET"));
  EXPECT_FALSE(plan.secure);
  EXPECT_EQ(plan.agent, T(kDefaultAgent));
  EXPECT_EQ(plan.proxy, (HttpProxySetting{kOpenTypeDirect, Text()}));
  EXPECT_EQ(plan.flags, kFlagReload | kFlagNeedFile | kFlagIgnoreRedirectToHttps);
  EXPECT_EQ(plan.header_block,
            T("Accept: */*\r\n"
              "Referer: http://Mirror.Example:8080/video/ab12?x=1\r\n"
              "Accept-Language: zh-cn\r\n"
              "Content-Type: application/x-www-form-urlencoded"));
  EXPECT_TRUE(plan.body.empty());
  EXPECT_EQ(plan.host, T("mirror.example"));
  EXPECT_EQ(plan.port, 8080);
  EXPECT_EQ(plan.path, T("/video/ab12?x=1"));
}

TEST(ComposeHttpRequest, SecureAddressFlags) {
  const HttpRequestPlan plan = ComposeHttpRequest(T("HTTPS://Host/a"));
  EXPECT_TRUE(plan.secure);
  EXPECT_EQ(plan.flags, kFlagReload | kFlagNeedFile | kFlagSecure);
  EXPECT_EQ(plan.port, 443);
}

TEST(ComposeHttpRequest, FlagsForJarAndNoRedirect) {
  const Text jar;
  EXPECT_EQ(ComposeHttpRequest(T("http://h/"), 0, {}, &jar).flags,
            kFlagReload | kFlagNeedFile | kFlagNoCookies | kFlagIgnoreRedirectToHttps);
  EXPECT_EQ(ComposeHttpRequest(T("https://h/"), 0, {}, nullptr, {}, true).flags,
            kFlagReload | kFlagNeedFile | kFlagNoAutoRedirect | kFlagSecure);
}

TEST(ComposeHttpRequest, VerbAndBody) {
  struct Row {
    int method;
    const char* body_text;
    const char* body_bytes;
    const char* verb;
    const char* body;
  };
  for (const Row& row : {
           Row{0, "t=1", "b=2", "GET", ""},   // no body with method 0, whatever is given
           Row{1, "t=1", "b=2", "POST", "b=2"},  // bytes win over text
           Row{1, "t=1", "", "POST", "t=1"},
           Row{1, "", "", "POST", ""},
           Row{2, "t=1", "", "GET", "t=1"},   // every other value: GET, with a body
           Row{-1, "", "b", "GET", "b"},
       }) {
    const HttpRequestPlan plan = ComposeHttpRequest(T("http://h/"), row.method, T(row.body_text), nullptr,
                                                    {}, false, ByteArray::from_view(row.body_bytes));
    EXPECT_EQ(plan.verb, T(row.verb)) << "method " << row.method;
    EXPECT_EQ(plan.body, ByteArray::from_view(row.body)) << "method " << row.method;
  }
}

TEST(ComposeHttpRequest, BodyBytesMayHoldZeroBytes) {
  const ByteArray bytes = ByteArray::from_view(std::string_view("a\0b", 3));
  EXPECT_EQ(ComposeHttpRequest(T("http://h/"), 1, T("x"), nullptr, {}, false, bytes).body, bytes);
}

TEST(ComposeHttpRequest, HeaderBlockFromCallersLines) {
  struct Row {
    const char* extra;
    bool jar_passed;
    const char* jar;
    const char* block;
  };
  const char* url = "http://h/p";
  for (const Row& row : {
           Row{"User-Agent: X", false, "",
               "User-Agent: X\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
               "Content-Type: application/x-www-form-urlencoded"},
           // An accept line in lower case is not "Accept:".
           Row{"accept: text/html", false, "",
               "accept: text/html\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
               "Content-Type: application/x-www-form-urlencoded"},
           // The caller's referrer, accept, language and type lines stop the defaults.
           Row{"Referer: http://other/\r\nAccept: a/b\r\nAccept-Language: en\r\nContent-Type: t/x", false, "",
               "Referer: http://other/\r\nAccept: a/b\r\nAccept-Language: en\r\nContent-Type: t/x"},
           // A caller's cookie line and a jar: two cookie lines.
           Row{"Cookie: x=9", true, "a=1",
               "Cookie: x=9\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1"},
           // A passed but empty jar sends no cookie line.
           Row{"", true, "",
               "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
               "Content-Type: application/x-www-form-urlencoded"},
           Row{"", true, "a=1; b=2",
               "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1; b=2"},
           // "Accept:" anywhere counts, even inside another line's value.
           Row{"X-Note: Accept: no", false, "",
               "X-Note: Accept: no\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
               "Content-Type: application/x-www-form-urlencoded"},
       }) {
    const Text jar = T(row.jar);
    const HttpRequestPlan plan =
        ComposeHttpRequest(T(url), 0, {}, row.jar_passed ? &jar : nullptr, T(row.extra));
    EXPECT_EQ(plan.header_block, T(row.block)) << row.extra;
  }
}

TEST(ComposeHttpRequest, ReferrerIsTheAddressAsGiven) {
  const HttpRequestPlan plan = ComposeHttpRequest(T("HTTP://Host/A B?\xD6\xD0"));
  EXPECT_EQ(plan.header_block,
            T("Accept: */*\r\nReferer: HTTP://Host/A B?\xD6\xD0\r\nAccept-Language: zh-cn\r\n"
              "Content-Type: application/x-www-form-urlencoded"));
}

TEST(ComposeHttpRequest, ProxyList) {
  EXPECT_EQ(ComposeHttpRequest(T("http://h/"), 0, {}, nullptr, {}, false, {}, T("127.0.0.1:3128")).proxy,
            (HttpProxySetting{kOpenTypeProxy, T("http=127.0.0.1:3128")}));
  EXPECT_EQ(ComposeHttpRequest(T("https://h/"), 0, {}, nullptr, {}, false, {}, T("127.0.0.1:3128")).proxy,
            (HttpProxySetting{kOpenTypeProxy, T("127.0.0.1:3128")}));
}

TEST(AgentFromHeaders, Table) {
  struct Row {
    const char* extra;
    const char* agent;
  };
  for (const Row& row : {
           Row{"", kDefaultAgent},
           Row{"Accept: a/b", kDefaultAgent},
           Row{"User-Agent: X", "X"},
           Row{"user-agent: X", "X"},
           Row{"USER-AGENT:   Y  ", "Y"},
           Row{"User-Agent:", ""},
           Row{"A: 1\r\nUser-Agent:  Z 1 \r\nB: 2", "Z 1"},
           // Several lines, the agent line in lower case, or last, or empty: its value.
           Row{"user-agent: L\r\nB: 2", "L"},
           Row{"B: 2\r\nUser-Agent: Last", "Last"},
           Row{"User-Agent:\r\nB: 2", ""},
           // "User-Agent:" only inside another line's value names no agent line.
           Row{"X: see user-agent:\r\nB: 2", kDefaultAgent},
           // A single line that names it in its value: the text after the first ":".
           Row{"X-A: b User-Agent:", "b User-Agent:"},
       }) {
    EXPECT_EQ(AgentFromHeaders(T(row.extra)), T(row.agent)) << show_bytes(row.extra);
  }
}

}  // namespace
}  // namespace pindrel
