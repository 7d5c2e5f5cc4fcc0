// The proxy a proxy list names for plain and for secure addresses, and the
// header block as the list of lines libcurl sends.
#include "net/proxy_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/request_head.h"

namespace pindrel {
namespace {

TEST(ProxyForScheme, EntriesApplyToTheirSchemeOnly) {
  struct Row {
    std::string list;
    std::optional<std::string> plain;   // for an http address
    std::optional<std::string> secure;  // for an https address
  };
  const std::vector<Row> rows = {
      {"", std::nullopt, std::nullopt},
      {"p:1", "p:1", "p:1"},  // a bare entry serves both
      {"http=p:1", "p:1", std::nullopt},
      {"https=p:2", std::nullopt, "p:2"},
      {"HTTP=p:1 HTTPS=p:2", "p:1", "p:2"},  // keys in any letter case
      {"https=p:2;http=p:1", "p:1", "p:2"},
      {"ftp=p:3 https=p:2", std::nullopt, "p:2"},  // other schemes are skipped
      {"b:9 http=p:1", "p:1", "b:9"},              // the scheme's entry wins over a bare one
      {"b:9 c:8", "b:9", "b:9"},                   // of bare entries the first
      {"http= b:9", "b:9", "b:9"},                 // an empty entry is skipped
      {";;  ;http=p:1;;", "p:1", std::nullopt},    // runs of separators
      {"httpx=p:1 http=q:2", "q:2", std::nullopt},  // a key is matched whole
      {"http=http://p:1", "http://p:1", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ProxyForScheme(row.list, false), row.plain) << '"' << row.list << '"';
    EXPECT_EQ(ProxyForScheme(row.list, true), row.secure) << '"' << row.list << '"';
  }
}

std::vector<std::string> lines_of(const CurlSlist& list) {
  std::vector<std::string> lines;
  for (const curl_slist* item = list.get(); item != nullptr; item = item->next) lines.emplace_back(item->data);
  return lines;
}

TEST(HeaderListFromBlock, OneEntryPerHeaderLine) {
  struct Row {
    std::string block;
    std::vector<std::string> lines;
  };
  const std::vector<Row> rows = {
      {"", {"Accept:", "Expect:", "Content-Type:"}},
      {"Accept: */*\r\nContent-Type: a/b", {"Accept: */*", "Content-Type: a/b", "Expect:"}},
      // Names in any letter case and with spaces before the ":" count.
      {"accept : x\r\nEXPECT: y\r\ncontent-type: z", {"accept : x", "EXPECT: y", "content-type: z"}},
      // An empty value is sent as the empty header, not dropped.
      {"X-Empty:\r\nY:   ", {"X-Empty;", "Y;", "Accept:", "Expect:", "Content-Type:"}},
      // Pieces that are no header line are left out.
      {"no colon\r\n: no name\r\n\r\nX: 1", {"X: 1", "Accept:", "Expect:", "Content-Type:"}},
      // A bare CR or LF inside a line becomes a space.
      {"A: 1\rB: 2\nC: 3", {"A: 1 B: 2 C: 3", "Accept:", "Expect:", "Content-Type:"}},
      // A trailing "\r\n" adds nothing.
      {"X: 1\r\n", {"X: 1", "Accept:", "Expect:", "Content-Type:"}},
  };
  for (const Row& row : rows) {
    const CurlSlist list = HeaderListFromBlock(row.block);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(lines_of(list), row.lines) << '"' << row.block << '"';
  }
}

}  // namespace
}  // namespace pindrel
