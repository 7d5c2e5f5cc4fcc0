#include "foundation/local_text.h"

#include "foundation/code_page.h"

namespace pindrel {

// A literal is well-formed UTF-8, so the conversion is the plain character
// mapping; characters the code page cannot show become "?".
Text local_text(std::u8string_view utf8_literal) {
  return utf8_to_local(
      Text::from_bytes(std::string_view(reinterpret_cast<const char*>(utf8_literal.data()), utf8_literal.size())));
}

}  // namespace pindrel
