// Address pieces, as tables: each row is an address and what the three
// operations make of it, malformed addresses included, since what they give
// for those is what the exchange later connects to.
#include "net/url_parts.h"

#include <gtest/gtest.h>

#include <optional>

#include "tests/support/test_text.h"

namespace pindrel {
namespace {

struct AddressRow {
  const char* address;
  const char* host;
  int port;
  const char* path;
};

class AddressPieces : public ::testing::TestWithParam<AddressRow> {};

TEST_P(AddressPieces, HostPortAndPath) {
  const AddressRow& row = GetParam();
  const Text url = T(row.address);
  EXPECT_EQ(UrlHost(url), T(row.host)) << row.address;
  EXPECT_EQ(UrlPort(url), row.port) << row.address;
  EXPECT_EQ(UrlPath(url), T(row.path)) << row.address;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressPieces,
    ::testing::Values(
        AddressRow{"http://Sub.One.Two/Path/a.html?x=1#f", "sub.one.two", 80, "/Path/a.html?x=1#f"},
        AddressRow{"https://One.Two", "one.two", 443, "/"},
        AddressRow{"HTTPS://One.Two:443/A?B", "one.two", 443, "/A?B"},
        AddressRow{"one.two/a/b", "one.two", 80, "/a/b"},
        AddressRow{"host:81", "host", 81, "/"},
        AddressRow{"HTTP://Host:81/p", "host", 81, "/p"},
        AddressRow{"https://host:444", "host", 444, "/"},
        // A colon with no number: port 0.
        AddressRow{"http://host:/p", "host", 0, "/p"},
        AddressRow{"", "", 80, "/"},
        // No "/" before the query: the query is part of the host.
        AddressRow{"http://host?q=1", "host?q=1", 80, "/"},
        // A scheme-less address: the "http://" in its query is where the host starts.
        AddressRow{"one.two/?u=http://three.four/z", "three.four", 80, "/z"},
        // An unknown scheme is read as a host "ftp" with an empty port.
        AddressRow{"ftp://host/p", "ftp", 0, "//host/p"},
        // A host that also occurs inside the scheme: the path starts after the
        // host, not at the scheme's "//".
        AddressRow{"https://s/p", "s", 443, "/p"},
        AddressRow{"http://h", "h", 80, "/"},
        AddressRow{"http://t/a/b", "t", 80, "/a/b"},
        AddressRow{"HTTP://P/Q", "p", 80, "/Q"},
        // The port is the number after the last ":" of the host part.
        AddressRow{"http://host:8080:81/x", "host", 81, "/x"},
        AddressRow{"http://host:abc/x", "host", 0, "/x"},
        // Double-byte characters: only A-Z are folded, never a second byte
        // (0xB0 0x41); a "/" that is a second byte (0xB0 0x2F) separates nothing.
        AddressRow{"http://\xB0\x41.Cn/\xD6\xD0", "\xB0\x41.cn", 80, "/\xD6\xD0"},
        AddressRow{"http://\xB0\x2F.Cn/p", "\xB0\x2F.cn", 80, "/p"},
        AddressRow{"http:///x", "", 80, "///x"}));

TEST(UrlHost, KeepPortKeepsTheNumber) {
  EXPECT_EQ(UrlHost(T("HTTP://Host:81/p"), false, true), T("host:81"));
  EXPECT_EQ(UrlHost(T("http://host:/p"), false, true), T("host:"));
  EXPECT_EQ(UrlHost(T("http://host/p"), false, true), T("host"));
}

TEST(UrlHost, MainDomainKeepsTheLastTwoLabels) {
  EXPECT_EQ(UrlHost(T("http://one.two.three.four/"), true), T("three.four"));
  EXPECT_EQ(UrlHost(T("http://single/"), true), T("single"));
  EXPECT_EQ(UrlHost(T("http://one.two.three.four:81/"), true), T("three.four"));
  EXPECT_EQ(UrlHost(T("http://one.two.three.four:81/"), true, true), T("three.four:81"));
}

struct LevelRow {
  const char* address;
  int levels;
  bool main_domain;
  bool keep_port;
  const char* host;
};

class HostLevels : public ::testing::TestWithParam<LevelRow> {};

TEST_P(HostLevels, KeepsTheLastLabels) {
  const LevelRow& row = GetParam();
  EXPECT_EQ(UrlHost(T(row.address), row.main_domain, row.keep_port, row.levels), T(row.host))
      << row.address << " levels " << row.levels << (row.main_domain ? " mainDomain" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostLevels,
    ::testing::Values(
        LevelRow{"http://one.two.three.four:81/x", 0, false, false, "three.four"},
        LevelRow{"http://one.two.three.four:81/x", 0, true, false, "four"},
        LevelRow{"http://one.two.three.four:81/x", 1, false, false, "two.three.four"},
        LevelRow{"http://one.two.three.four:81/x", 1, true, false, "three.four"},
        LevelRow{"http://one.two.three.four:81/x", 2, false, false, "one.two.three.four"},
        LevelRow{"http://one.two.three.four:81/x", 2, true, false, "two.three.four"},
        LevelRow{"http://one.two.three.four:81/x", 3, false, false, "one.two.three.four"},
        LevelRow{"http://one.two.three.four:81/x", 3, true, false, "one.two.three.four"},
        // The port travels with the last label until it is cut.
        LevelRow{"http://one.two.three.four:81/x", 0, false, true, "three.four:81"},
        LevelRow{"http://three.four/x", 0, false, false, "three.four"},
        LevelRow{"http://three.four/x", 0, true, false, "four"},
        LevelRow{"http://three.four/x", 1, false, false, "three.four"},
        LevelRow{"http://three.four/x", 1, true, false, "three.four"},
        LevelRow{"http://three.four/x", 5, true, false, "three.four"},
        // Below 1, no step back: the same as 0.
        LevelRow{"http://one.two.three.four/x", -3, false, false, "three.four"},
        // Every "http://" and "https://" goes, wherever it stands.
        LevelRow{"HTTPS://a.b.c/?r=http://x", 0, false, false, "b.c"},
        LevelRow{"", 0, false, false, ""}));

TEST(UrlHost, OmittedLevelsDifferFromZero) {
  const Text url = T("http://one.two.three.four/");
  EXPECT_EQ(UrlHost(url, true), T("three.four"));
  EXPECT_EQ(UrlHost(url, true, false, 0), T("four"));
  EXPECT_EQ(UrlHost(url, false), T("one.two.three.four"));
  EXPECT_EQ(UrlHost(url, false, false, 0), T("three.four"));
}

TEST(IsHttpsUrl, LooksAtTheFirstFiveBytesOnly) {
  struct Row {
    const char* address;
    bool secure;
  };
  for (const Row& row : {Row{"one.two", false}, Row{"http", false}, Row{"", false},
                         Row{"HTTPS://x", true}, Row{"httpsx", true}, Row{"https://a", true},
                         Row{"http://https", false}, Row{"HtTpS", true}}) {
    EXPECT_EQ(IsHttpsUrl(T(row.address)), row.secure) << row.address;
  }
}

}  // namespace
}  // namespace pindrel
