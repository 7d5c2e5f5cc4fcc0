// SendHttpRequest: composition (http_request_plan.h), the exchange through the
// transport, and the cookie handling of cookies.h on the response headers.
#include "net/http_request.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "net/cookies.h"
#include "net/curl_transport.h"
#include "net/http_request_plan.h"

namespace pindrel {
namespace {

constexpr int kReadChunk = 1024;
constexpr std::size_t kHeaderBuffer = 5000;

// Closes one transport handle when it goes out of scope. Guards declared one
// after the other close in the reverse order: the innermost handle first.
class HandleGuard {
 public:
  HandleGuard(HttpTransport& transport, HttpTransport::Handle handle) : transport_(transport), handle_(handle) {}
  ~HandleGuard() {
    if (handle_ != 0) transport_.close(handle_);
  }
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;

  explicit operator bool() const { return handle_ != 0; }
  HttpTransport::Handle get() const { return handle_; }

 private:
  HttpTransport& transport_;
  HttpTransport::Handle handle_;
};

struct Response {
  ByteArray body;
  Text headers;
};

// Steps 9 to 11 of an exchange: the three handles, the send, the body read in
// chunks and the raw headers. nullopt when a handle could not be had; every
// handle obtained is closed before this returns.
std::optional<Response> exchange(HttpTransport& transport, const HttpRequestPlan& plan) {
  const HandleGuard root(transport, transport.open_root(plan.agent, plan.proxy));
  if (!root) return std::nullopt;
  const HandleGuard connection(transport, transport.connect(root.get(), plan.host, plan.port));
  if (!connection) return std::nullopt;
  const HandleGuard request(transport, transport.open_request(connection.get(), plan.verb, plan.path, plan.flags));
  if (!request) return std::nullopt;

  // A failed send is not asked about: the reads then deliver nothing and the
  // header query fails, which the steps below already handle.
  transport.send_request(request.get(), plan.header_block, plan.body);

  // The body grows in one realloc-grown buffer (byte_buffer.h), which moves
  // its pages rather than copying them as it grows, and becomes the result
  // without another copy.
  ByteArray body;
  std::array<unsigned char, kReadChunk> chunk;
  for (;;) {
    const int n = transport.read(request.get(), chunk.data(), kReadChunk);
    if (n <= 0) break;
    body.append(std::string_view(reinterpret_cast<const char*>(chunk.data()),
                                 static_cast<std::size_t>(std::min(n, kReadChunk))));
  }
  // A body the transport refused (past its cap) fails the exchange.
  if (transport.body_refused(request.get())) body = ByteArray();

  // 5000 spaces; a query that fits leaves a zero-terminated block in them.
  std::string buffer(kHeaderBuffer, ' ');
  transport.query_raw_headers(request.get(), buffer.data(), buffer.size());
  return Response{std::move(body), Text::from_bytes(buffer)};
}

}  // namespace

ByteArray SendHttpRequest(HttpTransport& transport, const Text& url, int method,
                          const Text& bodyText, Text* cookieJar, Text* responseCookies,
                          const Text& extraHeaders, Text* responseHeaders, bool noRedirect,
                          const ByteArray& bodyBytes, const Text& proxy) {
  const HttpRequestPlan plan = ComposeHttpRequest(url, method, bodyText, cookieJar, extraHeaders,
                                                  noRedirect, bodyBytes, proxy);
  // Without any of the three handles neither the out parameters nor the jar
  // are touched.
  std::optional<Response> response = exchange(transport, plan);
  if (!response) return {};

  Text& headers = response->headers;
  Text cookies = CollectResponseCookies(headers);  // also respells "Set-Cookie"
  if (cookieJar != nullptr) MergeCookies(*cookieJar, cookies);
  if (responseCookies != nullptr) *responseCookies = std::move(cookies);
  if (responseHeaders != nullptr) *responseHeaders = std::move(headers);
  return std::move(response->body);
}

ByteArray SendHttpRequest(const Text& url, int method, const Text& bodyText, Text* cookieJar,
                          Text* responseCookies, const Text& extraHeaders, Text* responseHeaders,
                          bool noRedirect, const ByteArray& bodyBytes, const Text& proxy) {
  CurlTransport transport;
  return SendHttpRequest(transport, url, method, bodyText, cookieJar, responseCookies,
                         extraHeaders, responseHeaders, noRedirect, bodyBytes, proxy);
}

}  // namespace pindrel
