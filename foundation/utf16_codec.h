// The two hot conversions of a page (internal to the foundation library):
//   utf8_to_utf16le("\xE4\xB8\xAD") == "\x2D\x4E"
//   utf16le_to_cp936("\x2D\x4E")    == "\xD6\xD0"
// UTF-8 is decoded here (ill-formed input becomes one U+FFFD per maximal
// subpart, as Unicode recommends); code page 936 is written through a table
// that glibc iconv fills once, so the characters and the "?" for those the
// code page cannot show are exactly iconv's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pindrel::detail {

// One step of UTF-8 decoding at the start of `rest` (not empty): a
// well-formed sequence gives its code point and length; anything else gives
// valid false and the length of its maximal subpart (at least 1).
struct Utf8Step {
  uint32_t code_point;
  std::size_t length;
  bool valid;
};
Utf8Step decode_utf8_step(std::string_view rest);

std::string utf8_to_utf16le(std::string_view utf8);
std::string utf16le_to_cp936(std::string_view utf16le);

}  // namespace pindrel::detail
