// Texts from literals, and readable Texts in failure messages, for every
// test suite:
//   T("\xD6\xD0")  a Text of exactly these bytes
//   L(u8"中")      a system literal as the program stores it (GBK D6 D0)
// A failing comparison shows a Text's bytes, escaped, and when it holds
// bytes of 0x80 and up also its UTF-8 reading: "\xD6\xD0" (as UTF-8: "中").
#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "foundation/code_page.h"
#include "foundation/local_text.h"
#include "foundation/text.h"

namespace pindrel {

inline Text T(std::string_view bytes) { return Text::from_bytes(bytes); }

inline Text L(std::u8string_view utf8) { return local_text(utf8); }

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

// The UTF-8 reading of a Text, with CR and LF spelled out.
inline std::string show_as_utf8(const Text& t, std::size_t limit = 400) {
  std::string shown;
  for (char c : local_to_utf8(Text::from_bytes(t.bytes().substr(0, limit)))) {
    if (c == '\r') shown += "\\r";
    else if (c == '\n') shown += "\\n";
    else shown += c;
  }
  return "\"" + shown + (t.bytes().size() > limit ? "...\"" : "\"");
}

inline void PrintTo(const Text& t, std::ostream* os) {
  *os << show_bytes(t.bytes());
  for (unsigned char c : t.bytes()) {
    if (c >= 0x80) {
      *os << " (as UTF-8: " << show_as_utf8(t) << ")";
      break;
    }
  }
}
inline void PrintTo(const ByteArray& b, std::ostream* os) { *os << show_bytes(b.view()); }

}  // namespace pindrel
