// The code page 936 tables, made at build time by asking glibc iconv about
// every BMP code point and every one- and two-byte sequence
// (table_generator/make_cp936_tables.cpp), so the program fills nothing at
// start and never opens iconv for a page.
//
//   kCp936FromBmp[0x4E2D] == 0xD6D0    "中": lead byte 0xD6, trail 0xD0
//   kCp936FromBmp[0x20AC] == 0x0080    the euro sign is the single byte 0x80
//   kCp936FromBmp[0xAC00] == 0         Hangul: not in the code page, "?"
//   kBmpFromCp936Pair[(0xD6 - 0x81) * 256 + 0xD0] == 0x4E2D
#pragma once

#include <cstdint>

namespace pindrel::detail {

// For each BMP code point, its bytes: 0 when the code page cannot show it
// (surrogates included), a value below 0x100 for one byte, else the lead
// byte in the high half and the trail byte in the low half.
extern const uint16_t kCp936FromBmp[0x10000];

// For each lead byte 0x81..0xFE and any second byte, the code point of the
// pair; 0 for a pair that is no character (decoded as U+FFFD).
extern const uint16_t kBmpFromCp936Pair[126 * 256];

// For each byte 0x80..0xFF standing alone, its code point, 0 when it is no
// character on its own.
extern const uint16_t kBmpFromCp936Byte[128];

}  // namespace pindrel::detail
