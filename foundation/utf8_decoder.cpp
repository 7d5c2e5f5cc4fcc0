#include "foundation/utf8_decoder.h"

#include "foundation/byte_range.h"

namespace pindrel::detail {

Utf8Step decode_utf8_step(std::string_view rest) {
  const auto* p = reinterpret_cast<const unsigned char*>(rest.data());
  const unsigned char b0 = p[0];
  if (b0 < 0x80) return {b0, 1, true};
  // Lengths and second-byte ranges of the well-formed sequences (Unicode
  // table 3-7); anything else is cut into maximal subparts.
  std::size_t need = 0;
  unsigned lo = 0x80, hi = 0xBF;
  if (byte_in_range(b0, 0xC2, 0xDF)) need = 1;
  else if (b0 == 0xE0) { need = 2; lo = 0xA0; }
  else if (byte_in_range(b0, 0xE1, 0xEC) || byte_in_range(b0, 0xEE, 0xEF)) need = 2;
  else if (b0 == 0xED) { need = 2; hi = 0x9F; }
  else if (b0 == 0xF0) { need = 3; lo = 0x90; }
  else if (byte_in_range(b0, 0xF1, 0xF3)) need = 3;
  else if (b0 == 0xF4) { need = 3; hi = 0x8F; }
  uint32_t cp = need == 1 ? (b0 & 0x1Fu) : need == 2 ? (b0 & 0x0Fu) : (b0 & 0x07u);
  std::size_t k = 1;
  for (; k <= need && k < rest.size(); ++k) {
    const unsigned char b = p[k];
    if (!(k == 1 ? byte_in_range(b, lo, hi) : byte_in_range(b, 0x80, 0xBF))) break;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (need == 0 || k != need + 1) return {0xFFFD, k, false};
  return {cp, k, true};
}

std::string utf8_to_utf16le(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);  // at most one unit per input byte
  auto put = [&out](uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  };
  for (std::size_t i = 0; i < s.size();) {
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
  return out;
}

}  // namespace pindrel::detail
