// Failure messages show Texts as UTF-8, with CR and LF spelled out.
#pragma once

#include <ostream>
#include <string>

#include "foundation/code_page.h"
#include "foundation/local_text.h"
#include "foundation/text.h"

namespace pindrel {

inline void PrintTo(const Text& t, std::ostream* os) {
  std::string shown;
  for (char c : local_to_utf8(t)) {
    if (c == '\r') shown += "\\r";
    else if (c == '\n') shown += "\\n";
    else shown += c;
  }
  *os << '"' << shown << '"';
}

// L(u8"解析"): a system literal as the program stores it.
inline Text L(std::u8string_view utf8) { return local_text(utf8); }

}  // namespace pindrel
