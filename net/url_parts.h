// Taking an address apart into the host, port and path that an HTTP exchange
// needs. The functions never fail: any text, however malformed, gives a host, a
// port and a path; a bad address shows only later, as a failed connection.
// Only "https://" and "http://" are known schemes (letter case free); anything
// else is read as a plain address without a scheme.
#pragma once

#include <optional>

#include "foundation/text.h"

namespace pindrel {

// The first five bytes, lower-cased, are "https":
//   IsHttpsUrl("HTTPS://x") == true, IsHttpsUrl("httpsx") == true,
//   IsHttpsUrl("one.two") == false.
bool IsHttpsUrl(const Text& url);

// Lower-cased host (A-Z only), without the port unless keepPort.
//   UrlHost("http://Sub.One.Two/Path") == "sub.one.two"
//   UrlHost("one.two/?u=http://three.four/z") == "three.four" (the first "http://"
//     anywhere counts when the address has no scheme of its own)
//   UrlHost("ftp://host/p") == "ftp"
// mainDomain keeps the last two labels: "http://one.two.three.four/" -> "three.four".
// With `levels` given (n), the host keeps its last n + 2 labels (n + 1 with
// mainDomain), or all of them when it has no more; omitting `levels` is not the
// same as passing 0:
//   UrlHost("http://one.two.three.four:81/x", false, false, 0) == "three.four"
//   UrlHost("http://one.two.three.four:81/x", true, false, 0) == "four"
Text UrlHost(const Text& url, bool mainDomain = false, bool keepPort = false,
             std::optional<int> levels = std::nullopt);

// 80 or 443 by IsHttpsUrl when no port is named; the number after the last ":"
// of the host otherwise, 0 when nothing follows it ("http://host:/p").
int UrlPort(const Text& url);

// From the first "/" after the host to the end, query and fragment included;
// "/" when there is none: UrlPath("HTTPS://One.Two:443/A?B") == "/A?B".
Text UrlPath(const Text& url);

}  // namespace pindrel
