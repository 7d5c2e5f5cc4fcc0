// One synchronous HTTP/1.1 exchange with the program's default header block.
//
//   ByteArray page = SendHttpRequest(Text::from_bytes("http://host/video/1"));
//
// composes the request (verb, agent, proxy list, flags, header block, body, host,
// port, path; see http_request_plan.h), runs it through a transport with the
// operations of WinInet (InternetOpen, InternetConnect, HttpOpenRequest,
// HttpSendRequest, InternetReadFile, HttpQueryInfo, InternetCloseHandle), and
// hands back the whole body. Nothing is reported: every failure gives an empty
// body.
//
// The three Text pointers tell "not passed" (nullptr) from "passed empty" (a
// pointer to an empty Text): a passed jar, even an empty one, turns the
// transport's own cookie handling off and the merge of cookies.h on.
//   cookieJar        in and out: sent as "Cookie: <jar>" when not empty, then
//                    merged with the cookies the response sets.
//   responseCookies  out: the cookies the response sets ("a=2; b=3"; without
//                    spaces after a merge into a jar).
//   responseHeaders  out: the raw response headers (status line and header lines,
//                    each ended by "\r\n", then the empty line), "Set-Cookie"
//                    respelled; 5000 spaces when they could not be had.
#pragma once

#include "foundation/text.h"
#include "net/http_transport.h"

namespace pindrel {

// method: 1 gives "POST", every other value "GET"; a body goes whenever method is
// not 0 (bodyBytes when not empty, else the bytes of bodyText). extraHeaders are
// the caller's lines joined by "\r\n". proxy is "host:port".
// Runs over the libcurl transport under the program's own limits
// (transfer_limits.h): a body past 64 MiB fails the exchange, and an exchange
// that runs out of time keeps the body that had arrived.
ByteArray SendHttpRequest(const Text& url, int method = 0, const Text& bodyText = {},
                          Text* cookieJar = nullptr, Text* responseCookies = nullptr,
                          const Text& extraHeaders = {}, Text* responseHeaders = nullptr,
                          bool noRedirect = false, const ByteArray& bodyBytes = {},
                          const Text& proxy = {});

// The same exchange through a given transport: the libcurl one with other
// settings (shorter time-outs, a private cookie store), or a test double.
ByteArray SendHttpRequest(HttpTransport& transport, const Text& url, int method = 0,
                          const Text& bodyText = {}, Text* cookieJar = nullptr,
                          Text* responseCookies = nullptr, const Text& extraHeaders = {},
                          Text* responseHeaders = nullptr, bool noRedirect = false,
                          const ByteArray& bodyBytes = {}, const Text& proxy = {});

}  // namespace pindrel
