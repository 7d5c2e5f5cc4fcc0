// The HTTP transport over libcurl, with the effects WinInet gives the request
// flags:
//   kFlagReload, kFlagNeedFile  nothing to do: there is no cache to bypass or
//                               fill; every response comes from the server
//   kFlagNoCookies              the cookie engine stays off; otherwise cookies
//                               live in a cookie store shared between exchanges
//   kFlagNoAutoRedirect         redirections are returned, not followed
//   kFlagSecure                 TLS, certificate and host name checked; a
//                               redirection may lead only to https
//   kFlagIgnoreRedirectToHttps  a plain address may be redirected to https
// and, as WinInet's defaults do, time-outs: 60 s to connect, and the exchange
// ends when 30 s pass without a byte received or sent. Only http and https are
// spoken, HTTP/1.1 only, and a chain of redirections ends after 10.
//
// The path goes out as given (no "/../" squashing) except that a space is sent
// as "%20", bytes of 0x80 and up in the path part are %-escaped by libcurl, and
// the fragment stays off the wire. A host that is not a plain name (holding
// "?", "@", a space...) or a path with a control byte is never sent: the
// exchange fails as for a name that does not resolve. The raw headers are those
// of the final response; when a followed redirection leads nowhere there are
// none. The header block is split at "\r\n"; a bare CR or LF left inside a
// line (or in the agent) goes out as a space, so no text, not even a cookie a
// server set, can add a header line of its own.
//
// Every request handle runs its own transfer on a fresh connection; nothing is
// reused between requests. The body is passed on as it arrives, so memory stays
// bounded by what libcurl delivers in one step.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "net/http_transport.h"

namespace pindrel {

// A cookie store that outlives single exchanges (a CURLSH holding cookies).
class CurlCookieStore {
 public:
  CurlCookieStore();
  ~CurlCookieStore();
  CurlCookieStore(const CurlCookieStore&) = delete;
  CurlCookieStore& operator=(const CurlCookieStore&) = delete;

  // The one store of the process, used by exchanges without a cookie jar.
  static CurlCookieStore& process_store();

  void* share_handle() const;  // the CURLSH*

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

struct CurlTransportSettings {
  std::chrono::milliseconds connect_timeout{60'000};
  // No byte received or sent for this long ends the exchange.
  std::chrono::milliseconds idle_timeout{30'000};
  long max_redirects = 10;
  // nullptr: CurlCookieStore::process_store().
  CurlCookieStore* cookie_store = nullptr;
  // A CA bundle in place of the system's (empty: the system's).
  std::string ca_file;
};

class CurlTransport final : public HttpTransport {
 public:
  explicit CurlTransport(CurlTransportSettings settings = {});
  ~CurlTransport() override;

  Handle open_root(const Text& agent, const HttpProxySetting& proxy) override;
  // An empty host or a port outside 0..65535 gives no handle. Port 0 stands
  // for the scheme's default, as INTERNET_INVALID_PORT_NUMBER does. Nothing
  // goes on the network before send_request.
  Handle connect(Handle root, const Text& host, int port) override;
  Handle open_request(Handle connection, const Text& verb, const Text& path,
                      uint32_t flags) override;
  bool send_request(Handle request, const Text& header_block, const ByteArray& body) override;
  int read(Handle request, unsigned char* buffer, int size) override;
  bool query_raw_headers(Handle request, char* buffer, std::size_t size) override;
  void close(Handle handle) override;

  struct Node;

 private:
  Node* find(Handle handle, int kind);
  // Files a new node under the next handle number and returns that handle.
  Handle add_node(std::unique_ptr<Node> node);

  CurlTransportSettings settings_;
  std::mutex mutex_;
  std::map<Handle, std::unique_ptr<Node>> nodes_;
  Handle next_ = 1;
};

}  // namespace pindrel
