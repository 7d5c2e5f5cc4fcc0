// System literals: every fixed text of the program is written in UTF-8 in the
// source, as u8"...", and becomes a code page 936 Text through local_text. The
// char8_t parameter keeps ordinary std::strings from slipping in.
//   local_text(u8"信息：") == Text holding the GBK bytes D0 C5 CF A2 A3 BA
#pragma once

#include <string_view>

#include "foundation/text.h"

namespace pindrel {

Text local_text(std::u8string_view utf8_literal);

}  // namespace pindrel
