// fetch_bytes: see fetch_bytes.h. One CurlTransfer, driven to its end on the
// caller's thread; libcurl keeps the connect and idle time-outs, the transfer
// the deadline, the low-speed window and the body cap.
#include "net/fetch_bytes.h"

#include <algorithm>
#include <string_view>

#include "net/curl_easy.h"

namespace pindrel {
namespace {

struct BodySink {
  CurlTransfer& transfer;
  ByteArray body;  // grows in place, handed out by move

  static size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<BodySink*>(user);
    const std::size_t n = size * count;
    if (!self->transfer.accept_body(n)) return 0;  // past the cap: libcurl ends the transfer
    self->body.append(std::string_view(data, n));
    return n;
  }
  static size_t on_header(char*, size_t size, size_t count, void* user) {
    static_cast<BodySink*>(user)->transfer.note_received(size * count);
    return size * count;
  }
};

// libcurl's low-speed clock counts whole seconds.
long whole_seconds(std::chrono::milliseconds period) {
  return std::max(1L, static_cast<long>((period.count() + 999) / 1000));
}

}  // namespace

ByteArray fetch_bytes(const Text& address) { return fetch_bytes(address, TransferLimits{}); }

ByteArray fetch_bytes(const Text& address, const TransferLimits& limits) {
  CurlTransfer transfer(limits);
  BodySink sink{transfer, {}};
  CurlEasy& easy = transfer.easy();
  // Only the web's own schemes, for the first request and every redirection.
  const bool configured =
      easy.set(CURLOPT_URL, address.c_str()) && easy.set(CURLOPT_PROTOCOLS_STR, "http,https") &&
      easy.set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https") && easy.set(CURLOPT_FOLLOWLOCATION, 1L) &&
      easy.set(CURLOPT_MAXREDIRS, limits.max_redirects) &&
      // The platform's own limits: a time to connect, and a period without a
      // byte received.
      easy.set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout.count())) &&
      easy.set(CURLOPT_LOW_SPEED_LIMIT, 1L) && easy.set(CURLOPT_LOW_SPEED_TIME, whole_seconds(limits.idle_timeout)) &&
      easy.set(CURLOPT_NOSIGNAL, 1L) && easy.set(CURLOPT_ACCEPT_ENCODING, "") &&
      easy.set(CURLOPT_WRITEFUNCTION, &BodySink::on_body) && easy.set(CURLOPT_WRITEDATA, &sink) &&
      easy.set(CURLOPT_HEADERFUNCTION, &BodySink::on_header) && easy.set(CURLOPT_HEADERDATA, &sink);
  if (!configured || !transfer.start()) return {};
  while (transfer.step()) {
  }
  if (!transfer.succeeded()) return {};
  return std::move(sink.body);
}

}  // namespace pindrel
