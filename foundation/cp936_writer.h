// Writing code page 936 (internal to the foundation library), through the
// tables made at build time (cp936_tables.h), so the characters and the "?"
// for those the code page cannot show are exactly iconv's:
//   utf16le_to_cp936("\x2D\x4E")              == "\xD6\xD0"
//   utf8_to_cp936_in_place on "\xE4\xB8\xAD"  -> "\xD6\xD0", 2 bytes
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pindrel::detail {

// UTF-16LE units to code page 936; a surrogate pair, like a lone surrogate,
// is one "?" (no character beyond the BMP is in the code page).
std::string utf16le_to_cp936(std::string_view utf16le);

// UTF-8 straight to code page 936, with the result of the two steps through
// UTF-16 that the platform's calls take: ill-formed UTF-8 is one U+FFFD per
// maximal subpart, which the code page shows as "?", and the whole result is
// empty when the text needs more UTF-16 units than reading it as code page 936
// gives (the measure that sizes the UTF-16 buffer, see code_page.h).
//
// Works in place: no character ever takes more bytes in code page 936 than in
// UTF-8, so the output never overtakes the input. Returns the number of bytes
// written at `data` (0 for an empty result). Writes no zero byte unless the
// input holds one.
std::size_t utf8_to_cp936_in_place(char* data, std::size_t size);

// The greedy reading of bytes as code page 936 that the measure counts: a
// lead byte followed by a trail byte is one character, any other byte is one.
std::size_t cp936_character_count(std::string_view bytes);

}  // namespace pindrel::detail
