// fetch_bytes against hostile servers on loopback, with shortened limits: the
// body cap counted on the decoded bytes of a compressed body, the low-speed
// window and the deadline. (Its ordinary use is tested with the GUI layer.)
#include <zlib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/fetch_bytes.h"
#include "tests/net/loopback_exchange.h"
#include "tools/loopback_server/hostile_handlers.h"

namespace pindrel {
namespace {

// `plain` in the gzip format (RFC 1952).
std::string gzip(const std::string& plain) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, static_cast<uLong>(plain.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string gzip_response(const std::string& compressed) {
  return "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(compressed.size()) +
         "\r\n\r\n" + compressed;
}

TEST(FetchBytes, CompressedBodyIsCappedOnItsDecodedBytes) {
  constexpr std::size_t kCap = 1 << 20;
  TransferLimits limits;
  limits.max_body_bytes = kCap;
  struct Row {
    const char* what;
    std::string plain;
    bool arrives;
  };
  const std::vector<Row> rows = {
      {"decoded to exactly the cap", std::string(kCap, 'z'), true},
      {"decoded to one byte past the cap", std::string(kCap + 1, 'z'), false},
      // About 16 KiB on the wire.
      {"decoded to sixteen times the cap", std::string(16 * kCap, '\0'), false},
      {"a small body", pattern(5000), true},
  };
  for (const Row& row : rows) {
    const std::string compressed = gzip(row.plain);
    ASSERT_LT(compressed.size(), kCap) << row.what;
    RawSocketServer server(RawSocketServer::reply(gzip_response(compressed)));
    ASSERT_TRUE(server.start());
    const ByteArray body = fetch_bytes(T(server.base_url() + "/cover.jpg"), limits);
    ASSERT_EQ(body.size(), row.arrives ? row.plain.size() : 0u) << row.what;
    EXPECT_TRUE(body.view() == (row.arrives ? row.plain : std::string())) << row.what;
    // Compressed transfer was asked for.
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_NE(server.requests()[0].find("\r\nAccept-Encoding: "), std::string::npos) << row.what;
  }
}

// Each hostile server with limits shortened to well under a second or two;
// every one gives an empty array, and each would run far longer (or without
// end) under the limit that is not the one meant to stop it.
TEST(FetchBytes, HostileServersEndUnderTheLimits) {
  TransferLimits limits;
  limits.max_body_bytes = 1 << 20;
  limits.low_speed_window = std::chrono::milliseconds(600);
  limits.deadline = std::chrono::seconds(1);
  limits.idle_timeout = std::chrono::seconds(10);
  RawSocketServer endless(EndlessBody(false));
  RawSocketServer endless_chunked(EndlessBody(true));
  RawSocketServer trickle(Trickle(std::chrono::milliseconds(40)));
  RawSocketServer chain(SlowRedirection(std::chrono::milliseconds(300), "/again"));
  for (RawSocketServer* s : {&endless, &endless_chunked, &trickle, &chain}) ASSERT_TRUE(s->start());
  for (RawSocketServer* s : {&endless, &endless_chunked, &trickle, &chain}) {
    EXPECT_TRUE(fetch_bytes(T(s->base_url() + "/x"), limits).empty()) << s->base_url();
  }
  chain.stop();
  EXPECT_LE(chain.requests().size(), 5u);  // the deadline, not the limit of ten redirections
  // Without the low-speed window, the trickle runs into the deadline instead.
  limits.low_speed_window = std::chrono::minutes(1);
  EXPECT_TRUE(fetch_bytes(T(trickle.base_url() + "/x"), limits).empty());
}

}  // namespace
}  // namespace pindrel
