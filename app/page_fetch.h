// The page fetch shared by the parse action and the update check, and the
// same fetch watched closely enough to tell why it gave no page.
//
//   FetchPage("http://m/video/av1")  -> the body, cut at a zero byte
//   FetchPageWatched(...)            -> the same body, plus what the exchange
//                                       showed: status, and what ended it
//                                       (a refusal, a time-out, the body cap)
#pragma once

#include <chrono>
#include <string>

#include "foundation/text.h"
#include "net/curl_transport.h"

namespace pindrel {

// One plain GET of an absolute address with the default header block,
// redirections followed; the body as a Text, cut at a zero byte. A failed
// exchange gives the empty Text.
Text FetchPage(const Text& address);

// What ended an exchange, as the transport saw it.
enum class FetchOutcome {
  kCompleted,        // the response came whole; see status
  kBadAddress,       // the transport would not take the host or port
  kHostNotFound,     // the host name does not resolve
  kRefused,          // nothing listens there
  kConnectTimedOut,  // no connection within the connect time-out
  kIdleTimedOut,     // connected, then no byte for the idle period
  kTooSlow,          // too few bytes in a low-speed window
  kDeadline,         // the whole exchange ran past its deadline
  kBodyTooLong,      // the body grew past the cap; the page is empty
  kFailed,           // anything else: closed without a response or mid-body, ...
};

struct WatchedFetch {
  Text page;                 // exactly what FetchPage gives
  FetchOutcome outcome = FetchOutcome::kFailed;
  int status = 0;            // of the final response; 0 without one
  std::string host_and_port; // "127.0.0.1:8080", as the exchange used them
};

// FetchPage through a CurlTransport with the given settings, watching the
// exchange: the status comes from the raw response headers, the outcome from
// how the transport says the request's transfer ended. A response can come
// with any outcome but the connection failures: a body cut by a limit keeps
// its status.
WatchedFetch FetchPageWatched(const Text& address, const CurlTransportSettings& settings);

// "HTTP/1.1 404 Not Found\r\n..." -> 404; 0 when the block has no status line.
int StatusOfResponseHeaders(const Text& responseHeaders);

}  // namespace pindrel
