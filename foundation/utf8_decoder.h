// UTF-8 decoding (internal to the foundation library):
//   decode_utf8_step("\xE4\xB8\xAD") == {0x4E2D, 3, true}
//   utf8_to_utf16le("\xE4\xB8\xAD")  == "\x2D\x4E"
// Ill-formed input becomes one U+FFFD per maximal subpart, as Unicode
// recommends ("U+FFFD substitution of maximal subparts", chapter 3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pindrel::detail {

// One step of UTF-8 decoding at the start of `rest` (not empty): a
// well-formed sequence gives its code point and length; anything else gives
// valid false, U+FFFD and the length of its maximal subpart (at least 1).
struct Utf8Step {
  uint32_t code_point;
  std::size_t length;
  bool valid;
};
Utf8Step decode_utf8_step(std::string_view rest);

// UTF-16LE units, a surrogate pair for a character beyond the BMP.
std::string utf8_to_utf16le(std::string_view utf8);

}  // namespace pindrel::detail
