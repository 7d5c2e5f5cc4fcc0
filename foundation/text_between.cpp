// The marker cut. The right marker is searched only from the end of the left
// one, so a right marker that occurs only before the left one gives nothing.
#include "foundation/text_between.h"

#include "foundation/local_text.h"
#include "foundation/text_primitives.h"

namespace pindrel {

namespace {

// "#引号" in a marker stands for one double-quote byte.
Text unquote_marker(const Text& marker) {
  static const Text kQuoteWord = local_text(u8"#引号");
  static const Text kQuote = Text::from_bytes("\"");
  if (marker.length() < kQuoteWord.length()) return marker;  // cannot hold it
  return replace_text(marker, kQuoteWord, kQuote, std::nullopt, std::nullopt, true);
}

}  // namespace

Text TextBetween(const Text& text, const Text& left, const Text& right, int start, bool ignore_case) {
  const Text l = unquote_marker(left);
  const Text r = unquote_marker(right);
  int p = find_text(text, l, start, ignore_case);
  if (p != -1) p += text_length(l);
  const int q = find_text(text, r, p, ignore_case);
  if (p == -1 || q == -1) return {};
  return text_mid(text, p, q - p);
}

}  // namespace pindrel
