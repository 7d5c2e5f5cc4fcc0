// Fuzz target over the text primitives and the code page conversion. The
// input is split at the first two 0x01 bytes into a text, a left marker and a
// right marker. Invariants checked on every input:
//   - a cut (TextBetween, text_mid, trim_spaces) is a substring of its input;
//   - a found position lies inside the text, and the text really holds the
//     subtext there;
//   - the conversion ends with a Text, never longer than its input, whatever
//     bytes go in;
//   - every Text reads back as well-formed UTF-8 (fuzz_checks.h).
#include <cstdint>
#include <string_view>

#include "foundation/code_page.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"
#include "tests/support/fuzz_checks.h"

using namespace pindrel;

namespace {

using fuzz::check_text;
using fuzz::require;

void check_substring(const Text& part, const Text& whole, const char* what) {
  check_text(part);
  require(whole.bytes().find(part.bytes()) != std::string_view::npos, what);
}

void check_found(const Text& t, const Text& sub, int pos, const char* what) {
  if (pos == -1) return;
  require(pos >= 1 && pos <= t.length(), what);
  if (!sub.empty()) require(t.bytes().substr(static_cast<std::size_t>(pos - 1), sub.bytes().size()) == sub.bytes(), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in = fuzz::set_input(data, size);
  const auto cut1 = in.find('\x01');
  const auto cut2 = cut1 == std::string_view::npos ? cut1 : in.find('\x01', cut1 + 1);
  const std::string_view raw_text = in.substr(0, cut1);
  const std::string_view raw_left = cut1 == std::string_view::npos ? "" : in.substr(cut1 + 1, cut2 - cut1 - 1);
  const std::string_view raw_right = cut2 == std::string_view::npos ? "" : in.substr(cut2 + 1);

  const Text text = Text::from_bytes(raw_text);
  const Text left = Text::from_bytes(raw_left);
  const Text right = Text::from_bytes(raw_right);
  check_text(text);

  check_substring(TextBetween(text, left, right), text, "TextBetween is not a substring");
  check_substring(TextBetween(text, left, right, 0, true), text, "TextBetween (case ignored) is not a substring");
  check_substring(trim_spaces(text), text, "trim_spaces is not a substring");
  check_substring(text_mid(text, static_cast<int>(size % 7) - 1, static_cast<int>(size % 13)), text,
                  "text_mid is not a substring");

  const int p = find_text(text, left);
  check_found(text, left, p, "find_text out of range");
  const int p_start = find_text(text, left, p);
  check_found(text, left, p_start, "find_text from a found position out of range");
  if (p != -1) require(p_start == p, "find_text from its own result must find it again");
  const int r = find_text_reverse(text, left);
  check_found(text, left, r, "find_text_reverse out of range");
  if (!left.empty()) require((p == -1) == (r == -1), "forward and backward searches disagree");
  if (p != -1 && r != -1) require(r >= p, "last occurrence before the first");
  const int pi = find_text(text, left, std::nullopt, true);
  if (p != -1) require(pi != -1 && pi <= p, "case-ignoring search missed an exact match");

  check_text(to_lower(text));
  require(to_lower(text).length() == text.length(), "to_lower changed the length");
  check_text(remove_spaces(text));
  require(remove_spaces(text).length() <= text.length(), "remove_spaces grew the text");
  const Text replaced = replace_text(text, left, right);
  check_text(replaced);
  if (!left.empty() && p == -1) require(replaced == text, "replace_text changed a text without the subtext");
  for (const auto& piece : split_text(text, left)) check_substring(piece, text, "split piece is not a substring");
  (void)text_to_int(text);

  const Text local = utf8_to_local(text);
  check_text(local);
  // It runs in the page's own storage: no character may grow.
  require(local.length() <= text.length(), "the conversion grew the text");
  check_text(from_wide(to_wide(text, kCodePageGbk), kCodePageGbk));
  check_text(from_wide(ByteArray::from_view(in)));
  return 0;
}
