// What SendHttpRequest asks of its transport, worked out from the arguments
// alone: verb, agent, proxy list, flags, header block, body, host, port and
// path. Kept apart from the exchange so that every byte of it can be checked
// without a network.
//
//   ComposeHttpRequest(Text::from_bytes("http://h/p")).header_block ==
//     "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
//     "Content-Type: application/x-www-form-urlencoded"
#pragma once

#include <cstdint>

#include "foundation/text.h"
#include "net/http_transport.h"

namespace pindrel {

// "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
const Text& DefaultUserAgent();

struct HttpRequestPlan {
  Text verb;                 // "POST" for method 1, else "GET"
  bool secure = false;       // IsHttpsUrl(url)
  Text agent;
  HttpProxySetting proxy;
  uint32_t flags = 0;
  Text header_block;         // lines joined by "\r\n", no break after the last
  ByteArray body;            // empty for method 0
  Text host;
  int port = 0;
  Text path;
};

// The arguments of SendHttpRequest that shape the request, in its order;
// cookieJar is nullptr when the caller passed none.
HttpRequestPlan ComposeHttpRequest(const Text& url, int method = 0, const Text& bodyText = {},
                                   const Text* cookieJar = nullptr, const Text& extraHeaders = {},
                                   bool noRedirect = false, const ByteArray& bodyBytes = {},
                                   const Text& proxy = {});

// The agent that a header block names:
//   no "User-Agent:" in any letter case      -> DefaultUserAgent()
//   "X: 1\r\nUser-Agent: A\r\nY: 2"          -> "A"
//   "user-agent: A" (a single line)          -> "A"
//   "user-agent: A\r\nY: 2"                  -> "A" (the line named user-agent)
Text AgentFromHeaders(const Text& extraHeaders);

}  // namespace pindrel
