// What of a request may go on the wire, and the header block as libcurl takes
// it.
//
//   IsPlainHost("example.com") == true, IsPlainHost("h?q=1") == false
//   IsPlainPath("/a b") == true, IsPlainPath("/a\r\nX: 1") == false
//   EscapeSpaces("/a b") == "/a%20b"
//   HeaderListFromBlock("X: 1\r\nEmpty:") lists "X: 1", "Empty;", "Accept:",
//     "Expect:", "Content-Type:"
#pragma once

#include <string>
#include <string_view>

#include "net/curl_easy.h"

namespace pindrel {

// A host name as it may stand between "//" and the port in a URL: anything
// else (a "?", "@", "/", a space, a control byte) would change what libcurl
// reads as the host, so such a host cannot be reached, like a name that does
// not resolve. Bytes of 0x80 and up are left to the resolver.
bool IsPlainHost(std::string_view host);

// The request target goes on the request line; a control byte would break the
// line or start a header of its own (RFC 9112 section 3), so such a path is
// not sent at all.
bool IsPlainPath(std::string_view path);

// A space is not allowed in a URI (RFC 3986 section 2); like a browser, send
// it as "%20" rather than give up on the address. libcurl itself escapes bytes
// of 0x80 and up in the path and drops the fragment (RFC 9110 section 4.2.1
// keeps it off the wire).
std::string EscapeSpaces(std::string_view path);

// "a\rb\nc" -> "a b c": a header line or value with every CR and LF as a space.
std::string WithoutLineBreaks(std::string_view text);

// The header block (lines joined by "\r\n") as libcurl's list, line by line.
// A field value may not hold CR or LF (RFC 9110 section 5.5); a bare one
// inside a line, which may come from a cookie a server set, is sent as a
// space, as RFC 9112 section 5.2 allows for folded lines, so no text can start
// a header of its own or end the head early. A piece without a ":" (or with
// nothing before it) is not a header line and is left out. A line with
// nothing after its ":" is sent as it is ("Name;" is libcurl's spelling for
// that). The lines libcurl would add on its own (Accept, Expect,
// Content-Type) are switched off unless the block has them, so that the block
// is what goes out. Null only when libcurl cannot allocate.
CurlSlist HeaderListFromBlock(std::string_view block);

}  // namespace pindrel
