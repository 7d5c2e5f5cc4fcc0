// SendHttpRequest: composition (http_request_plan.h), the exchange through the
// transport, and the cookie handling of cookies.h on the response headers.
#include "net/http_request.h"

#include <algorithm>
#include <array>
#include <string>

#include "net/cookies.h"
#include "net/curl_transport.h"
#include "net/http_request_plan.h"

namespace pindrel {
namespace {

constexpr int kReadChunk = 1024;
constexpr std::size_t kHeaderBuffer = 5000;

}  // namespace

ByteArray SendHttpRequest(HttpTransport& transport, const Text& url, int method,
                          const Text& bodyText, Text* cookieJar, Text* responseCookies,
                          const Text& extraHeaders, Text* responseHeaders, bool noRedirect,
                          const ByteArray& bodyBytes, const Text& proxy) {
  const HttpRequestPlan plan = ComposeHttpRequest(url, method, bodyText, cookieJar, extraHeaders,
                                                  noRedirect, bodyBytes, proxy);

  // Without any of the three handles the exchange ends here, and neither the
  // out parameters nor the jar are touched.
  const HttpTransport::Handle root = transport.open_root(plan.agent, plan.proxy);
  if (root == 0) return {};
  const HttpTransport::Handle connection = transport.connect(root, plan.host, plan.port);
  if (connection == 0) {
    transport.close(root);
    return {};
  }
  const HttpTransport::Handle request =
      transport.open_request(connection, plan.verb, plan.path, plan.flags);
  if (request == 0) {
    transport.close(connection);
    transport.close(root);
    return {};
  }

  // A failed send is not asked about: the reads then deliver nothing and the
  // header query fails, which the steps below already handle.
  transport.send_request(request, plan.header_block, plan.body);

  ByteArray body;
  std::array<unsigned char, kReadChunk> chunk;
  for (;;) {
    const int n = transport.read(request, chunk.data(), kReadChunk);
    if (n <= 0) break;
    body.append(std::string_view(reinterpret_cast<const char*>(chunk.data()),
                                 static_cast<std::size_t>(std::min(n, kReadChunk))));
  }

  // 5000 spaces; a query that fits leaves a zero-terminated block in them.
  std::string buffer(kHeaderBuffer, ' ');
  transport.query_raw_headers(request, buffer.data(), buffer.size());
  Text headers = Text::from_bytes(buffer);

  transport.close(request);
  transport.close(connection);
  transport.close(root);

  Text cookies = CollectResponseCookies(headers);  // also respells "Set-Cookie"
  if (cookieJar != nullptr) MergeCookies(*cookieJar, cookies);
  if (responseCookies != nullptr) *responseCookies = cookies;
  if (responseHeaders != nullptr) *responseHeaders = headers;
  return body;
}

ByteArray SendHttpRequest(const Text& url, int method, const Text& bodyText, Text* cookieJar,
                          Text* responseCookies, const Text& extraHeaders, Text* responseHeaders,
                          bool noRedirect, const ByteArray& bodyBytes, const Text& proxy) {
  CurlTransport transport;
  return SendHttpRequest(transport, url, method, bodyText, cookieJar, responseCookies,
                         extraHeaders, responseHeaders, noRedirect, bodyBytes, proxy);
}

}  // namespace pindrel
