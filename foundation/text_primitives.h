// Text and byte primitives. Every function returns a new value and never
// changes its inputs. Positions count from 1; -1 means "not found".
//
// Characters: a byte of 0x80 or more starts a two-byte character and takes the
// next byte with it; every other byte is a character of its own. Only that top
// bit is looked at, never the code page's lead-byte table. A lead byte that is
// the very last byte of a Text counts as a character of one byte.
// Spaces are the byte 0x20 and the full-width space 0xA1 0xA1.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/text.h"

namespace pindrel {

// text_length("abc") == 3
int text_length(const Text& t);

// concat_text(a, b, c): the parts in order.
Text concat_text(std::initializer_list<Text> parts);
template <typename... Parts>
Text concat_text(const Parts&... parts) {
  return concat_text({Text(parts)...});
}

// 0 when equal; otherwise negative or positive by byte order.
int compare_text(const Text& a, const Text& b, bool case_sensitive = true);

// By bytes: text_left("abc", 5) == "abc", text_left("abc", 0) == "".
Text text_left(const Text& t, int n);
Text text_right(const Text& t, int n);
// text_mid("abc", 3, 5) == "c"; text_mid("abc", 4, 1) == "".
Text text_mid(const Text& t, int start, int n);

// char_from_code(0x41) == "A"; code 0 gives the empty Text.
Text char_from_code(int code);

// find_text("abcabc", "c") == 3; with start 4 it is 6; a start below 1 counts as 1.
int find_text(const Text& t, const Text& sub, std::optional<int> start = std::nullopt,
              bool ignore_case = false);
// find_text_reverse("a.b.c", ".") == 4; with start 4 it is 2 (the match must end
// before start).
int find_text_reverse(const Text& t, const Text& sub, std::optional<int> start = std::nullopt,
                      bool ignore_case = false);

// Only A-Z change; the second byte of a two-byte character never does.
Text to_lower(const Text& t);

// text_to_int("  -12abc") == -12; full-width digits count; wraps in 32 bits.
int32_t text_to_int(const Text& t);

// trim_spaces("  a b\t ") == "a b\t"
Text trim_spaces(const Text& t);
// remove_spaces("a b\xA1\xA1" "c") == "abc"
Text remove_spaces(const Text& t);

// replace_text("aXbxc", "x", "-") == "aXb-c"; a negative or omitted count
// replaces every occurrence; the replacement is never searched again.
Text replace_text(const Text& t, const Text& sub, const Text& replacement = {},
                  std::optional<int> start = std::nullopt,
                  std::optional<int> count = std::nullopt, bool case_sensitive = true);

// split_text("a,,b") == {"a", "", "b"}; split_text("a,b,") == {"a", "b"}.
TextList split_text(const Text& t, const Text& delimiter = Text::from_bytes(","),
                    std::optional<int> max_count = std::nullopt);

// blank_text(3) == "   "
Text blank_text(int n);

ByteArray text_to_bytes(const Text& t);
// bytes_to_text("A\0B") == "A"
Text bytes_to_text(const ByteArray& b);
// The same, taking over the storage of a ByteArray that is no longer needed
// (a fetched page): nothing is copied.
Text bytes_to_text(ByteArray&& b);
int bytes_length(const ByteArray& b);
ByteArray bytes_left(const ByteArray& b, int n);
ByteArray blank_bytes(int n);
ByteArray concat_bytes(std::initializer_list<ByteArray> parts);
template <typename... Parts>
ByteArray concat_bytes(const Parts&... parts) {
  return concat_bytes({ByteArray(parts)...});
}
// Little-endian; missing bytes of a shorter array count as zero.
int32_t bytes_read_int32(const ByteArray& b);
// Address of the first byte, nullptr for the empty array; valid while b lives unchanged.
const void* bytes_address(const ByteArray& b);
// The caller guarantees the memory is readable up to a zero byte / for n bytes.
Text text_at_address(const void* address);
ByteArray bytes_at_address(const void* address, int n);

int32_t bit_and(std::initializer_list<int32_t> values);
int32_t bit_or(std::initializer_list<int32_t> values);
int32_t real_to_int(double value);

}  // namespace pindrel
