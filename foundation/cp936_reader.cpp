#include "foundation/cp936_reader.h"

#include <cstdint>

#include "foundation/byte_range.h"
#include "foundation/cp936_tables.h"

namespace pindrel::detail {

namespace {

void put_utf8(std::string& out, uint32_t u) {
  if (u == 0) u = 0xFFFD;  // no character in the tables
  if (u < 0x80) {
    out.push_back(static_cast<char>(u));
  } else if (u < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (u >> 6)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (u >> 12)));
    out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  }
}

}  // namespace

std::string cp936_to_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 2);  // two bytes become at most three
  for (std::size_t i = 0; i < s.size();) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
      out.push_back(static_cast<char>(b0));
      ++i;
    } else if (is_cp936_lead(b0) && i + 1 < s.size() && is_cp936_trail(static_cast<unsigned char>(s[i + 1]))) {
      put_utf8(out, kBmpFromCp936Pair[(b0 - 0x81) * 256 + static_cast<unsigned char>(s[i + 1])]);
      i += 2;
    } else {
      put_utf8(out, kBmpFromCp936Byte[b0 - 0x80]);
      ++i;
    }
  }
  return out;
}

}  // namespace pindrel::detail
