#include "foundation/local_text.h"

#include "foundation/iconv_converter.h"

namespace pindrel {

Text local_text(std::u8string_view utf8_literal) {
  const std::string_view utf8(reinterpret_cast<const char*>(utf8_literal.data()), utf8_literal.size());
  bool ascii = true;
  for (char c : utf8) ascii = ascii && (static_cast<unsigned char>(c) < 0x80);
  if (ascii) return Text::from_bytes(utf8);
  return Text::from_bytes(detail::converter(detail::Encoding::Utf8, detail::Encoding::Cp936)
                              .convert(utf8, detail::substitute_utf8_to_cp936));
}

}  // namespace pindrel
