// Reading code page 936 back as UTF-8 (internal to the foundation library),
// through the tables made at build time (cp936_tables.h):
//   cp936_to_utf8("\xD6\xD0") == "\xE4\xB8\xAD"
// A lead byte with a trail byte after it is one character, even when the pair
// is unassigned; anything the code page does not define becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace pindrel::detail {

std::string cp936_to_utf8(std::string_view cp936);

}  // namespace pindrel::detail
