// Cookies carried between exchanges as plain text, and the cookies a response
// sets. A cookie text is ";"-separated pieces; as written here, name=value
// pieces joined by "; ". There is no expiry, domain, path or flag: attributes
// are dropped when cookies are collected.
//
//   Text headers = "HTTP/1.1 200 OK\r\nset-cookie: a=2; path=/\r\nSet-Cookie: b=3\r\n\r\n";
//   Text fresh = CollectResponseCookies(headers);   // "a=2; b=3"
//   Text jar = "a=1; c=9";
//   MergeCookies(jar, fresh);                        // jar == "a=2; b=3; c=9", fresh == "a=2;b=3"
#pragma once

#include "foundation/text.h"

namespace pindrel {

// The cookies of every line that holds "Set-Cookie" (after respelling): the
// value between "Set-Cookie:" and the first ";" when the line has one, else the
// whole line without "Set-Cookie:"; trimmed and joined by "; ".
// Side effect: every "Set-Cookie" in `rawHeaders`, in any letter case and
// wherever it stands, is respelled "Set-Cookie".
Text CollectResponseCookies(Text& rawHeaders);

// New cookies first, in their order, then the jar's cookies whose names they do
// not name; "name=deleted" removes the old cookie and itself; identical pieces
// collapse. Side effects: both arguments lose every space, and the jar takes the
// result, which is also returned.
//   jar "a=1; b=2", fresh "b=3; c=4" -> jar "b=3; c=4; a=1", fresh "b=3;c=4"
Text MergeCookies(Text& jar, Text& fresh);

// The text before the first "=", trimmed; the whole piece without one.
//   CookieName(" a =1") == "a", CookieName("k") == "k"
Text CookieName(const Text& piece);

// Some piece of `pieces` has exactly that name (letter case counts).
bool HasCookieNamed(const TextList& pieces, const Text& name);

// Pieces in their first order, each kept once (exact comparison).
//   RemoveDuplicatePieces("a=1; b=2; a=1", "; ") == "a=1; b=2"
Text RemoveDuplicatePieces(const Text& text, const Text& delimiter);

// 1-based index of the first element equal to `text`, -1 when none is.
int IndexOfText(const TextList& list, const Text& text);

}  // namespace pindrel
