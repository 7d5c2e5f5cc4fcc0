// What the exchange tests over the real libcurl transport share: a fixture
// with a LoopbackServer on an ephemeral port and a private cookie store (so
// that cookies of one test never reach another), transport settings a test
// may shorten, and a few helpers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "net/curl_transport.h"
#include "net/http_request.h"
#include "tests/support/test_text.h"
#include "tools/loopback_server/loopback_server.h"
#include "tools/loopback_server/raw_socket_server.h"

namespace pindrel {

inline const std::string kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
// The header buffer as the exchange leaves it when no headers could be had.
inline const std::string kSpaces(5000, ' ');

// `n` bytes of a fixed pseudo-random pattern (zero bytes included).
inline std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// A loopback port with nobody listening on it.
int closed_port();

// Polls `ready` every few milliseconds; false when it has not become true
// within `limit`, so that a server that never comes up fails the test
// instead of hanging it.
bool wait_until(const std::function<bool()>& ready,
                std::chrono::milliseconds limit = std::chrono::seconds(5));

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

}  // namespace pindrel
