#include "app/page_fetch.h"

#include "foundation/text_primitives.h"
#include "net/http_request.h"
#include "net/url_parts.h"

namespace pindrel {

namespace {

// Forwards every call to the libcurl transport and notes what the exchange
// itself does not hand back: whether the handles came, and how the request's
// transfer ended, read just before the exchange closes the request.
class WatchingTransport final : public HttpTransport {
 public:
  explicit WatchingTransport(CurlTransport& inner) : inner_(inner) {}

  Handle open_root(const Text& agent, const HttpProxySetting& proxy) override {
    return inner_.open_root(agent, proxy);
  }
  Handle connect(Handle root, const Text& host, int port) override {
    const Handle h = inner_.connect(root, host, port);
    got_connection = h != 0;
    return h;
  }
  Handle open_request(Handle connection, const Text& verb, const Text& path, uint32_t flags) override {
    request_ = inner_.open_request(connection, verb, path, flags);
    return request_;
  }
  bool send_request(Handle request, const Text& header_block, const ByteArray& body) override {
    return inner_.send_request(request, header_block, body);
  }
  int read(Handle request, unsigned char* buffer, int size) override { return inner_.read(request, buffer, size); }
  bool query_raw_headers(Handle request, char* buffer, std::size_t size) override {
    return inner_.query_raw_headers(request, buffer, size);
  }
  bool body_refused(Handle request) override { return inner_.body_refused(request); }
  void close(Handle handle) override {
    if (handle != 0 && handle == request_) end = inner_.transfer_end(handle);
    inner_.close(handle);
  }

  bool got_connection = false;
  bool got_request() const { return request_ != 0; }
  TransferEnd end = TransferEnd::kNotEnded;

 private:
  CurlTransport& inner_;
  Handle request_ = 0;
};

FetchOutcome OutcomeOf(TransferEnd end) {
  switch (end) {
    case TransferEnd::kCompleted: return FetchOutcome::kCompleted;
    case TransferEnd::kRefused: return FetchOutcome::kRefused;
    case TransferEnd::kHostNotFound: return FetchOutcome::kHostNotFound;
    case TransferEnd::kConnectTimeout: return FetchOutcome::kConnectTimedOut;
    case TransferEnd::kIdleTimeout: return FetchOutcome::kIdleTimedOut;
    case TransferEnd::kLowSpeed: return FetchOutcome::kTooSlow;
    case TransferEnd::kDeadline: return FetchOutcome::kDeadline;
    case TransferEnd::kBodyCap: return FetchOutcome::kBodyTooLong;
    case TransferEnd::kNotEnded:
    case TransferEnd::kOtherFailure: break;
  }
  return FetchOutcome::kFailed;
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
  result.outcome = watch.got_connection && watch.got_request() ? OutcomeOf(watch.end) : FetchOutcome::kBadAddress;
  return result;
}

}  // namespace pindrel
