// Texts from byte literals, and readable bytes in failure messages.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "foundation/text.h"

namespace pindrel {

inline Text T(std::string_view bytes) { return Text::from_bytes(bytes); }

inline std::string show_bytes(std::string_view bytes, std::size_t limit = 400) {
  std::string out = "\"";
  std::size_t shown = 0;
  for (unsigned char c : bytes) {
    if (++shown > limit) {
      out += "...(" + std::to_string(bytes.size()) + " bytes)";
      break;
    }
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + "\"";
}

inline void PrintTo(const Text& t, std::ostream* os) { *os << show_bytes(t.bytes()); }
inline void PrintTo(const ByteArray& b, std::ostream* os) { *os << show_bytes(b.view()); }

}  // namespace pindrel
