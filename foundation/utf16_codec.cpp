#include "foundation/utf16_codec.h"

#include <array>
#include <cstdint>
#include <memory>

#include "foundation/iconv_converter.h"

namespace pindrel::detail {

namespace {

bool in(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// For each BMP code point: its code page 936 bytes (one or two; 0 = not
// shown by the code page). Filled by asking iconv about every code point.
struct Cp936Table {
  std::array<uint16_t, 0x10000> bytes{};
  std::array<uint8_t, 0x10000> length{};
};

std::unique_ptr<Cp936Table> build_cp936_table() {
  auto table = std::make_unique<Cp936Table>();
  IconvConverter iconv_out(Encoding::Utf16le, Encoding::Cp936);
  auto reject = [](std::string_view) { return Substitution{2, std::string_view()}; };
  for (uint32_t u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // surrogates are never characters alone
    const char unit[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    const std::string b = iconv_out.convert(std::string_view(unit, 2), reject);
    if (b.size() == 1) {
      table->bytes[u] = static_cast<unsigned char>(b[0]);
      table->length[u] = 1;
    } else if (b.size() == 2) {
      table->bytes[u] = static_cast<uint16_t>(static_cast<unsigned char>(b[0]) |
                                              (static_cast<unsigned char>(b[1]) << 8));
      table->length[u] = 2;
    }
  }
  return table;
}

const Cp936Table& cp936_table() {
  static const std::unique_ptr<Cp936Table> table = build_cp936_table();
  return *table;
}

}  // namespace

Utf8Step decode_utf8_step(std::string_view rest) {
  const auto* p = reinterpret_cast<const unsigned char*>(rest.data());
  const unsigned char b0 = p[0];
  if (b0 < 0x80) return {b0, 1, true};
  // Lengths and second-byte ranges of the well-formed sequences (Unicode
  // table 3-7); anything else is cut into maximal subparts.
  std::size_t need = 0;
  unsigned lo = 0x80, hi = 0xBF;
  if (in(b0, 0xC2, 0xDF)) need = 1;
  else if (b0 == 0xE0) { need = 2; lo = 0xA0; }
  else if (in(b0, 0xE1, 0xEC) || in(b0, 0xEE, 0xEF)) need = 2;
  else if (b0 == 0xED) { need = 2; hi = 0x9F; }
  else if (b0 == 0xF0) { need = 3; lo = 0x90; }
  else if (in(b0, 0xF1, 0xF3)) need = 3;
  else if (b0 == 0xF4) { need = 3; hi = 0x8F; }
  uint32_t cp = need == 1 ? (b0 & 0x1Fu) : need == 2 ? (b0 & 0x0Fu) : (b0 & 0x07u);
  std::size_t k = 1;
  for (; k <= need && k < rest.size(); ++k) {
    const unsigned char b = p[k];
    if (!(k == 1 ? in(b, lo, hi) : in(b, 0x80, 0xBF))) break;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (need == 0 || k != need + 1) return {0xFFFD, k, false};
  return {cp, k, true};
}

std::string utf8_to_utf16le(std::string_view s) {
  // At most one unit per input byte (a four-byte sequence gives two).
  std::string out(s.size() * 2, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  auto put = [&o](uint32_t u) {
    *o++ = static_cast<unsigned char>(u & 0xFF);
    *o++ = static_cast<unsigned char>(u >> 8);
  };
  while (i < n) {
    const unsigned char b0 = p[i];
    if (b0 < 0x80) {
      put(b0);
      ++i;
      continue;
    }
    // The common three-byte form of the BMP (not a surrogate), inline.
    if (b0 >= 0xE1 && b0 <= 0xEF && b0 != 0xED && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 &&
        (p[i + 2] & 0xC0) == 0x80) {
      put(((b0 & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu));
      i += 3;
      continue;
    }
    const Utf8Step step = decode_utf8_step(s.substr(i));
    i += step.length;
    uint32_t cp = step.code_point;  // U+FFFD for an ill-formed subpart
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  out.resize(static_cast<std::size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
  return out;
}

std::string utf16le_to_cp936(std::string_view s) {
  const Cp936Table& table = cp936_table();
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t units = s.size() / 2;
  std::string out(units * 2, '\0');  // at most two bytes a unit
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  for (std::size_t i = 0; i < units; ++i) {
    const uint32_t u = p[2 * i] | (p[2 * i + 1] << 8);
    if (u < 0x80) {
      *o++ = static_cast<unsigned char>(u);
      continue;
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      // No character beyond the BMP is in the code page: a pair, like a lone
      // surrogate, is one "?".
      if (u <= 0xDBFF && i + 1 < units) {
        const uint32_t next = p[2 * i + 2] | (p[2 * i + 3] << 8);
        if (next >= 0xDC00 && next <= 0xDFFF) ++i;
      }
      *o++ = '?';
      continue;
    }
    switch (table.length[u]) {
      case 1: *o++ = static_cast<unsigned char>(table.bytes[u]); break;
      case 2:
        *o++ = static_cast<unsigned char>(table.bytes[u] & 0xFF);
        *o++ = static_cast<unsigned char>(table.bytes[u] >> 8);
        break;
      default: *o++ = '?';
    }
  }
  out.resize(static_cast<std::size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
  return out;
}

}  // namespace pindrel::detail
