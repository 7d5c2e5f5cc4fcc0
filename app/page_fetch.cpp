#include "app/page_fetch.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>

#include "foundation/text_primitives.h"
#include "net/http_request.h"
#include "net/url_parts.h"

namespace pindrel {

namespace {

// A coarse monotonic clock (a few milliseconds of resolution, read without
// the full clock's cost): every 1 KiB read of the body is timed, and only a
// wait close to a time-out matters; time-outs of a few milliseconds would
// not be told from other failures.
struct CoarseClock {
  using duration = std::chrono::nanoseconds;
  using time_point = std::chrono::time_point<CoarseClock, duration>;
  static time_point now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
  }
};
using Clock = CoarseClock;

// Forwards every call to the real transport and notes what the exchange
// itself does not hand back: whether the handles came, whether a response
// arrived, and how long the call that ended the exchange waited.
class WatchingTransport final : public HttpTransport {
 public:
  explicit WatchingTransport(HttpTransport& inner) : inner_(inner) {}

  Handle open_root(const Text& agent, const HttpProxySetting& proxy) override {
    return inner_.open_root(agent, proxy);
  }
  Handle connect(Handle root, const Text& host, int port) override {
    const Handle h = inner_.connect(root, host, port);
    got_connection = h != 0;
    return h;
  }
  Handle open_request(Handle connection, const Text& verb, const Text& path, uint32_t flags) override {
    const Handle h = inner_.open_request(connection, verb, path, flags);
    got_request = h != 0;
    return h;
  }
  bool send_request(Handle request, const Text& header_block, const ByteArray& body) override {
    const auto start = Clock::now();
    responded = inner_.send_request(request, header_block, body);
    if (!responded) note_end(start);
    return responded;
  }
  int read(Handle request, unsigned char* buffer, int size) override {
    const auto start = Clock::now();
    const int n = inner_.read(request, buffer, size);
    if (n <= 0) note_end(start);
    return n;
  }
  bool query_raw_headers(Handle request, char* buffer, std::size_t size) override {
    return inner_.query_raw_headers(request, buffer, size);
  }
  void close(Handle handle) override { inner_.close(handle); }

  bool got_connection = false;
  bool got_request = false;
  bool responded = false;
  // How long the call that ended the exchange waited: a failed send, or
  // the read that gave nothing more.
  Clock::duration ending_wait{};

 private:
  void note_end(Clock::time_point call_start) {
    if (ended_) return;
    ended_ = true;
    ending_wait = Clock::now() - call_start;
  }

  bool ended_ = false;
  HttpTransport& inner_;
};

// One TCP connection attempt to host:port, bounded by `limit`: tells a host
// that does not resolve and a port where nothing listens from the rest.
FetchOutcome probe(const std::string& host, int port, std::chrono::milliseconds limit) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr)
    return FetchOutcome::kHostNotFound;
  FetchOutcome outcome = FetchOutcome::kNoResponse;
  const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    int error = 0;
    if (::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, static_cast<int>(limit.count())) == 1) {
          socklen_t len = sizeof error;
          getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        } else {
          error = ETIMEDOUT;
        }
      }
    }
    if (error == ECONNREFUSED) outcome = FetchOutcome::kRefused;
    if (error == ETIMEDOUT) outcome = FetchOutcome::kTimedOut;
    ::close(fd);
  }
  freeaddrinfo(found);
  return outcome;
}

}  // namespace

Text FetchPage(const Text& address) { return bytes_to_text(SendHttpRequest(address)); }

int StatusOfResponseHeaders(const Text& responseHeaders) {
  // "HTTP/1.1 404 Not Found": the three digits after the first space.
  const std::string_view block = responseHeaders.bytes();
  if (!block.starts_with("HTTP/")) return 0;
  const std::size_t space = block.find(' ');
  if (space == std::string_view::npos || space + 4 > block.size()) return 0;
  int status = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (block[i] < '0' || block[i] > '9') return 0;
    status = status * 10 + (block[i] - '0');
  }
  return status;
}

WatchedFetch FetchPageWatched(const Text& address, const CurlTransportSettings& settings) {
  CurlTransport curl(settings);
  WatchingTransport watch(curl);
  Text headers;
  WatchedFetch result;
  result.page = bytes_to_text(SendHttpRequest(watch, address, 0, {}, nullptr, nullptr, {}, &headers));
  result.status = StatusOfResponseHeaders(headers);

  const std::string host(UrlHost(address).bytes());
  int port = UrlPort(address);
  if (port == 0) port = IsHttpsUrl(address) ? 443 : 80;
  result.host_and_port = host + ":" + std::to_string(port);

  // The transport gives up after the idle period or the connect time-out;
  // a call that waited nearly that long ended by one of them.
  const auto waited = watch.ending_wait;
  const auto shortest = std::min(settings.limits.idle_timeout, settings.limits.connect_timeout);
  const bool timed_out = waited >= shortest * 9 / 10;
  if (!watch.got_connection || !watch.got_request) {
    result.outcome = FetchOutcome::kBadAddress;
  } else if (timed_out) {
    result.outcome = FetchOutcome::kTimedOut;
  } else if (watch.responded && result.status != 0) {
    result.outcome = FetchOutcome::kResponse;
  } else {
    result.outcome = probe(host, port, std::min(settings.limits.connect_timeout, std::chrono::milliseconds(2000)));
  }
  return result;
}

}  // namespace pindrel
