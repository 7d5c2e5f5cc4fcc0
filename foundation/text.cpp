// Construction and access for the value types; the no-zero rule of Text is
// kept here and nowhere else.
#include "foundation/text.h"

#include <cassert>
#include <cstring>

namespace pindrel {

Text Text::from_bytes(std::string_view bytes) {
  Text t;
  const auto zero = bytes.find('\0');
  t.bytes_.append(bytes.substr(0, zero));
  return t;
}

Text Text::from_clean_bytes(std::string_view bytes) {
  assert(bytes.find('\0') == std::string_view::npos);
  Text t;
  t.bytes_.append(bytes);
  t.cut_at_zero();  // release builds still keep the rule
  return t;
}

Text Text::from_bytes(ByteArray&& bytes) {
  Text t;
  t.bytes_ = std::move(bytes).release();
  t.cut_at_zero();
  return t;
}

void Text::cut_at_zero() {
  // memchr, not a loop: this runs over whole pages.
  if (const void* zero = std::memchr(bytes_.data(), 0, bytes_.size()))
    bytes_.truncate(static_cast<std::size_t>(static_cast<const char*>(zero) - bytes_.data()));
}

unsigned char Text::byte_at(int position) const {
  if (position < 1 || position > length()) return 0;
  return static_cast<unsigned char>(bytes_.view()[static_cast<std::size_t>(position - 1)]);
}

Text TextList::at(int index) const {
  if (index < 1 || index > count()) return {};
  return items_[static_cast<std::size_t>(index - 1)];
}

}  // namespace pindrel
