// Byte classes shared by the code page 936 and UTF-8 code (internal to the
// foundation library).
//   byte_in_range(0xB8, 0x80, 0xBF) == true
#pragma once

namespace pindrel::detail {

// lo <= b <= hi, both ends included.
constexpr bool byte_in_range(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// The two bytes of a code page 936 character, as the platform's table reads
// them: a lead byte 0x81..0xFE, then a trail byte 0x40..0xFE other than 0x7F.
constexpr bool is_cp936_lead(unsigned char b) { return byte_in_range(b, 0x81, 0xFE); }
constexpr bool is_cp936_trail(unsigned char b) { return byte_in_range(b, 0x40, 0xFE) && b != 0x7F; }

}  // namespace pindrel::detail
