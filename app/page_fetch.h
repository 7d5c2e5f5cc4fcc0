// The page fetch shared by the parse action and the update check, and the
// same fetch watched closely enough to tell why it gave no page.
//
//   FetchPage("http://m/video/av1")  -> the body, cut at a zero byte
//   FetchPageWatched(...)            -> the same body, plus what the exchange
//                                       showed: status line, time-out, refusal
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

// What an exchange showed besides its body.
enum class FetchOutcome {
  kResponse,       // a response came; see status
  kBadAddress,     // the transport would not take the host or port
  kHostNotFound,   // the host name does not resolve
  kRefused,        // nothing listens there
  kTimedOut,       // no byte for the idle period, or no connection in time
  kNoResponse,     // the connection ended without a response
};

struct WatchedFetch {
  Text page;                 // exactly what FetchPage gives
  FetchOutcome outcome = FetchOutcome::kNoResponse;
  int status = 0;            // of the final response; 0 without one
  std::string host_and_port; // "127.0.0.1:8080", as the exchange used them
};

// FetchPage through a CurlTransport with the given settings, watching the
// exchange: the status comes from the raw response headers, a time-out from
// how long the transport's last call waited, and, when no response came at
// all, one look-up of the host and one connection attempt tell an unknown
// host and a refusal apart (only then, so a fetch that works costs nothing).
WatchedFetch FetchPageWatched(const Text& address, const CurlTransportSettings& settings);

// "HTTP/1.1 404 Not Found\r\n..." -> 404; 0 when the block has no status line.
int StatusOfResponseHeaders(const Text& responseHeaders);

}  // namespace pindrel
