#include "net/fetch_bytes.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>

namespace pindrel {

namespace {

struct EasyDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

void init_curl_once() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t append_body(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

}  // namespace

ByteArray fetch_bytes(const Text& address) {
  init_curl_once();
  EasyHandle h(curl_easy_init());
  if (!h) return {};
  std::string body;
  CURL* c = h.get();
  bool ok = curl_easy_setopt(c, CURLOPT_URL, address.c_str()) == CURLE_OK;
  // Only the web's own schemes, for the first request and every redirection.
  ok = ok && curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L) == CURLE_OK;
  // The platform's own limits: 60 s to connect, 30 s without a byte received.
  ok = ok && curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 60L) == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 30L) == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &append_body) == CURLE_OK;
  ok = ok && curl_easy_setopt(c, CURLOPT_WRITEDATA, &body) == CURLE_OK;
  if (!ok || curl_easy_perform(c) != CURLE_OK) return {};
  return ByteArray(std::move(body));
}

}  // namespace pindrel
