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
// and the limits of transfer_limits.h: as WinInet's defaults, 60 s to connect
// and 30 s without a byte received or sent; on top of them, less than 1 KiB
// received in 30 s, five minutes for the whole exchange with its redirections,
// and a body of at most 64 MiB. Only http and https are spoken, HTTP/1.1
// only, and a chain of redirections ends after 10.
//
// An exchange that runs out of time keeps the body that had arrived, as a read
// that fails part-way does. A body past the cap fails the exchange:
// body_refused() then says so and the exchange drops what it read.
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
// reused between requests. The body is handed on as it arrives: once 64 KiB
// wait to be read, the transfer pauses until they are, so the transport holds
// no more of the body than that and one delivery of libcurl's.
//
// Each request keeps how its transfer ended (transfer_end), for a caller that
// wants to tell the user why an exchange gave nothing: the exchange itself
// only ever sees an empty body.
//
// Single-threaded: a transport and its handles are used from one thread, the
// one that runs the exchange (the transfers call the wait hook on it).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>

#include "net/curl_cookie_store.h"
#include "net/http_transport.h"
#include "net/transfer_limits.h"

namespace pindrel {

// How the transfer of a request handle ended.
enum class TransferEnd {
  kNotEnded,        // no such request, not sent yet, or still running
  kCompleted,       // libcurl finished the transfer without an error
  kRefused,         // the connection was refused: nothing listens there
  kHostNotFound,    // the host name does not resolve (or is not a plain name)
  kConnectTimeout,  // no connection within the connect time-out
  kIdleTimeout,     // connected, then nothing received or sent for the idle period
  kLowSpeed,        // too few bytes received in a low-speed window
  kDeadline,        // the exchange, redirections included, ran past its deadline
  kBodyCap,         // the body grew past the cap
  kOtherFailure,    // anything else: a connection closed without a response, a
                    // TLS failure, a malformed response... (transfer_code says which)
};

// "refused", "idle time-out", ...: for messages and test output.
const char* TransferEndName(TransferEnd end);

struct CurlTransportSettings {
  TransferLimits limits;
  // nullptr: CurlCookieStore::process_store().
  CurlCookieStore* cookie_store = nullptr;
  // A CA bundle in place of the system's (empty: the system's).
  std::string ca_file;
};

class CurlTransport final : public HttpTransport {
 public:
  explicit CurlTransport(CurlTransportSettings settings = {});
  ~CurlTransport() override;
  CurlTransport(const CurlTransport&) = delete;
  CurlTransport& operator=(const CurlTransport&) = delete;

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
  bool body_refused(Handle request) override;

  // How the request's transfer ended; readable until the handle is closed.
  TransferEnd transfer_end(Handle request) const;
  // libcurl's result code (a CURLcode) when libcurl itself ended the
  // transfer, the write error of a refused body included; 0 when it has not
  // (it succeeded, is still running, or one of our own clocks ended it).
  int transfer_code(Handle request) const;

  // What a root handle holds until its requests need it.
  struct RootRecord {
    Text agent;
    HttpProxySetting proxy;
  };
  struct ConnectionRecord {
    Handle root = 0;
    Text host;
    int port = 0;
  };
  // A request handle: the transfer itself (curl_transport.cpp).
  class RequestTransfer;

 private:
  using Record = std::variant<RootRecord, ConnectionRecord, std::unique_ptr<RequestTransfer>>;

  template <typename Kind>
  Kind* find(Handle handle);
  RequestTransfer* find_request(Handle handle);
  const RequestTransfer* find_request(Handle handle) const;
  // Files a new record under the next handle number and returns that handle.
  Handle file(Record record);

  CurlTransportSettings settings_;
  std::map<Handle, Record> records_;
  Handle next_ = 1;
};

}  // namespace pindrel
