#include "foundation/cp936_writer.h"

#include <cstdint>
#include <cstring>

#include "foundation/byte_range.h"
#include "foundation/cp936_tables.h"
#include "foundation/utf8_decoder.h"

namespace pindrel::detail {

namespace {

// The code page's default character, for everything it cannot show. U+FFFD
// is not in the code page either (the table test checks that), so an
// ill-formed subpart is one "?" too.
constexpr unsigned char kDefaultChar = '?';

// Writes the bytes of a BMP code point of 0x80 or above. Both bytes are
// always stored and the pointer moves by the character's length: the caller
// has read at least two bytes past `o`, so the spare byte lands on input
// already consumed (or is overwritten next).
inline unsigned char* put_bmp(unsigned char* o, uint32_t u) {
  const uint16_t v = kCp936FromBmp[u];
  const bool two = v >= 0x100;
  const auto single = static_cast<unsigned char>(v != 0 ? v : kDefaultChar);
  o[0] = two ? static_cast<unsigned char>(v >> 8) : single;
  o[1] = static_cast<unsigned char>(v & 0xFF);
  return o + 1 + static_cast<int>(two);
}

// A well-formed three-byte sequence of E1..EC or EE..EF starts at p[i].
inline bool starts_three_byte_character(const unsigned char* p, std::size_t i, std::size_t n) {
  if (i + 2 >= n) return false;
  const unsigned char b0 = p[i];
  return static_cast<unsigned>(b0 - 0xE1) <= 0x0Eu && b0 != 0xED && (p[i + 1] & 0xC0) == 0x80 &&
         (p[i + 2] & 0xC0) == 0x80;
}

// The measure, kept alongside the conversion: `slack` is the code page 936
// character count of the bytes read so far minus their UTF-16 units, and
// `pending` says whether the last byte read opened a two-byte character that
// the next byte may close. The result is kept when slack ends at 0 or more.
struct Measure {
  std::int64_t slack = 0;
  bool pending = false;

  // Any byte, counted as the greedy code page 936 reading does.
  void byte(unsigned char b) {
    if (pending && is_cp936_trail(b)) {
      pending = false;
      return;
    }
    ++slack;
    pending = is_cp936_lead(b);
  }
  // The first byte of a run of ASCII, and with it the whole run: every byte
  // is one unit and one character, except that the first one, from 0x40 on,
  // closes a pending lead byte (a trail byte); none is a lead byte.
  void ascii_run_starts(unsigned char b) {
    slack -= pending & (b >= 0x40) & (b != 0x7F);
    pending = false;
  }
  // A three-byte character (one unit) whose bytes are all of 0x80..0xEF:
  // each is a trail byte, and a lead byte unless 0x80. Without a pending
  // lead byte the first and the third start characters (the second closes
  // the first); with one, the first closes it, the second starts a
  // character and the third closes that, unless the second is 0x80, which
  // opens nothing. Without branches: in Chinese text `pending` flips with
  // every character.
  void three_byte_character(unsigned char b1, unsigned char b2) {
    const bool two_characters = !pending | (b1 == 0x80);
    slack += two_characters;  // two characters (or one), less one unit
    pending = two_characters & (b2 != 0x80);
  }
  void units(int n) { slack -= n; }
};

}  // namespace

std::string utf16le_to_cp936(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t units = s.size() / 2;
  std::string out(units * 2, '\0');  // at most two bytes a unit
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  for (std::size_t i = 0; i < units; ++i) {
    const uint32_t u = p[2 * i] | (p[2 * i + 1] << 8);
    if (u < 0x80) {
      *o++ = static_cast<unsigned char>(u);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      if (u <= 0xDBFF && i + 1 < units) {
        const uint32_t next = p[2 * i + 2] | (p[2 * i + 3] << 8);
        if (next >= 0xDC00 && next <= 0xDFFF) ++i;
      }
      *o++ = kDefaultChar;
    } else {
      o = put_bmp(o, u);
    }
  }
  out.resize(static_cast<std::size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
  return out;
}

std::size_t utf8_to_cp936_in_place(char* data, std::size_t n) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  auto* const start = reinterpret_cast<unsigned char*>(data);
  unsigned char* o = start;
  Measure measure;
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b0 = p[i];
    if (b0 < 0x80) {
      // A run of ASCII: one UTF-16 unit and one code page 936 character a
      // byte, so only its first byte, which may close a pending lead byte,
      // moves the measure. Copied eight bytes at a time where it can be.
      measure.ascii_run_starts(b0);
      *o++ = b0;
      ++i;
      for (uint64_t word; i + 8 <= n; i += 8, o += 8) {
        std::memcpy(&word, p + i, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
        std::memmove(o, &word, 8);
      }
      while (i < n && p[i] < 0x80) *o++ = p[i++];
      continue;
    }
    // The three-byte form of most of the BMP (Chinese among it), inline and
    // in runs: E1..EC and EE..EF with two continuation bytes are always
    // well-formed.
    if (starts_three_byte_character(p, i, n)) {
      do {
        const unsigned char c0 = p[i], c1 = p[i + 1], c2 = p[i + 2];
        measure.three_byte_character(c1, c2);
        i += 3;
        o = put_bmp(o, ((c0 & 0x0Fu) << 12) | ((c1 & 0x3Fu) << 6) | (c2 & 0x3Fu));
      } while (starts_three_byte_character(p, i, n));
      continue;
    }
    const Utf8Step step = decode_utf8_step(std::string_view(data + i, n - i));
    for (std::size_t k = 0; k < step.length; ++k) measure.byte(p[i + k]);
    i += step.length;
    if (!step.valid) {
      measure.units(1);
      *o++ = kDefaultChar;
    } else if (step.code_point >= 0x10000) {
      measure.units(2);
      *o++ = kDefaultChar;
    } else {
      measure.units(1);
      o = put_bmp(o, step.code_point);
    }
  }
  if (measure.slack < 0) return 0;
  return static_cast<std::size_t>(o - start);
}

std::size_t cp936_character_count(std::string_view bytes) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < bytes.size(); ++count) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    i += (is_cp936_lead(b0) && i + 1 < bytes.size() && is_cp936_trail(static_cast<unsigned char>(bytes[i + 1]))) ? 2 : 1;
  }
  return count;
}

}  // namespace pindrel::detail
