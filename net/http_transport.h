// The transport under SendHttpRequest: the operations of WinInet that one
// synchronous exchange uses, in their order, with WinInet's flag values.
//
//   root = open_root(agent, proxy)            InternetOpenA
//   conn = connect(root, host, port)          InternetConnectA (HTTP service)
//   req  = open_request(conn, verb, path, f)  HttpOpenRequestA ("HTTP/1.1")
//   send_request(req, headerBlock, body)      HttpSendRequestA
//   read(req, buffer, 1024) ... until 0       InternetReadFile
//   query_raw_headers(req, buffer, 5000)      HttpQueryInfoA (RAW_HEADERS_CRLF)
//   close(req); close(conn); close(root)      InternetCloseHandle
//
// A handle of 0 means "none". The real implementation is CurlTransport
// (curl_transport.h); tests may put a double in its place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/text.h"

namespace pindrel {

// Request flags, with the values WinInet gives them.
inline constexpr uint32_t kFlagReload = 0x80000000u;                // INTERNET_FLAG_RELOAD
inline constexpr uint32_t kFlagNeedFile = 0x10u;                    // INTERNET_FLAG_NEED_FILE
inline constexpr uint32_t kFlagNoCookies = 0x80000u;                // INTERNET_FLAG_NO_COOKIES
inline constexpr uint32_t kFlagNoAutoRedirect = 0x200000u;          // INTERNET_FLAG_NO_AUTO_REDIRECT
inline constexpr uint32_t kFlagSecure = 0x800000u;                  // INTERNET_FLAG_SECURE
inline constexpr uint32_t kFlagIgnoreRedirectToHttps = 0x4000u;     // INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS

// Access types of InternetOpenA.
inline constexpr int kOpenTypeDirect = 1;  // INTERNET_OPEN_TYPE_DIRECT
inline constexpr int kOpenTypeProxy = 3;   // INTERNET_OPEN_TYPE_PROXY

// How the root handle reaches the network. A proxy list holds entries
// separated by spaces or ";": "http=host:port" names a proxy for plain
// addresses only, "https=host:port" for secure ones, a bare "host:port" for
// both. The bypass list is always empty.
struct HttpProxySetting {
  int access_type = kOpenTypeDirect;
  Text proxy_list;
  friend bool operator==(const HttpProxySetting&, const HttpProxySetting&) = default;
};

class HttpTransport {
 public:
  using Handle = std::uintptr_t;

  virtual ~HttpTransport() = default;

  virtual Handle open_root(const Text& agent, const HttpProxySetting& proxy) = 0;
  virtual Handle connect(Handle root, const Text& host, int port) = 0;
  virtual Handle open_request(Handle connection, const Text& verb, const Text& path,
                              uint32_t flags) = 0;
  // header_block: lines joined by "\r\n", no break after the last one. The
  // result says whether a response arrived; the exchange does not ask.
  virtual bool send_request(Handle request, const Text& header_block, const ByteArray& body) = 0;
  // At most `size` bytes of the body into `buffer`; 0 at the end and after any
  // failure.
  virtual int read(Handle request, unsigned char* buffer, int size) = 0;
  // On success `buffer` holds the zero-terminated raw headers of the final
  // response: the status line and each header line ended by "\r\n", then the
  // empty line. When they do not fit in `size` bytes with their zero, or there
  // is no response, the buffer is left untouched and the result is false.
  virtual bool query_raw_headers(Handle request, char* buffer, std::size_t size) = 0;
  virtual void close(Handle handle) = 0;

  // Beyond WinInet's operations, for a transport that knows more:
  // True when the transport gave up on the body because it grew past what the
  // transport accepts: the exchange has failed, and what was read is not the
  // body.
  virtual bool body_refused(Handle request) {
    (void)request;
    return false;
  }
};

}  // namespace pindrel
