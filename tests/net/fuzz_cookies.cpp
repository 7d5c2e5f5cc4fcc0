// Fuzz target over cookie collection and merge. The input is split at the
// first two 0x01 bytes into a raw header text, a jar and new cookies; every
// 0x02 in the header text stands for "\r\n". Invariants on every input:
//   - collecting keeps the header text's length and leaves every "Set-Cookie"
//     in any letter case spelled "Set-Cookie";
//   - the merge leaves both arguments without spaces around its pieces, the jar
//     equal to the result, no deletion marker and no piece twice in the result;
//   - no Text ever holds a zero byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/text_primitives.h"
#include "net/cookies.h"
#include "tests/support/fuzz_checks.h"
#include "tests/support/test_text.h"

using namespace pindrel;

namespace {

using fuzz::check_text;
using fuzz::require;

// Every space character (0x20, or 0xA1 0xA1) stands right after a ";" byte.
bool spaces_only_after_semicolons(const Text& t) {
  std::string_view b = t.bytes();
  for (std::size_t i = 0; i < b.size();) {
    const bool lead = (static_cast<unsigned char>(b[i]) & 0x80) != 0 && i + 1 < b.size();
    const bool space = b[i] == ' ' || (lead && static_cast<unsigned char>(b[i]) == 0xA1 &&
                                       static_cast<unsigned char>(b[i + 1]) == 0xA1);
    if (space && (i == 0 || b[i - 1] != ';')) return false;
    i += lead ? 2 : 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::set_input(data, size);
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::size_t a = in.find('\x01');
  std::string_view raw = in.substr(0, a);
  std::string_view rest = a == std::string_view::npos ? std::string_view() : in.substr(a + 1);
  std::size_t b = rest.find('\x01');
  std::string_view jar_bytes = rest.substr(0, b);
  std::string_view fresh_bytes = b == std::string_view::npos ? std::string_view() : rest.substr(b + 1);

  std::string header_text;
  for (char ch : raw) {
    if (ch == '\x02') {
      header_text += "\r\n";
    } else {
      header_text.push_back(ch);
    }
  }
  Text headers = Text::from_bytes(header_text);
  const int length = headers.length();
  const Text collected = CollectResponseCookies(headers);
  check_text(collected);
  require(headers.length() == length, "respelling changed the length");
  const Text set_cookie = T("Set-Cookie");
  require(replace_text(headers, set_cookie, set_cookie, std::nullopt, std::nullopt, false) == headers,
          "a Set-Cookie left in another spelling");

  Text jar = Text::from_bytes(jar_bytes);
  Text fresh = Text::from_bytes(fresh_bytes);
  const Text merged = MergeCookies(jar, fresh);
  check_text(merged);
  require(jar == merged, "jar is not the result");
  require(remove_spaces(fresh) == fresh, "new cookies keep spaces");
  const Text separator = T("; ");
  const TextList pieces = split_text(merged, separator);
  for (const Text& piece : pieces) {
    require(spaces_only_after_semicolons(piece), "a merged piece holds a space of its own");
    require(text_right(piece, 8) != T("=deleted"), "a deletion marker survived");
  }
  for (int i = 1; i <= list_count(pieces); ++i) {
    require(IndexOfText(pieces, pieces.at(i)) == i, "a piece twice in the result");
  }

  // The collected cookies merged into an empty jar: the cookie path of an exchange.
  Text empty_jar;
  Text collected_copy = collected;
  check_text(MergeCookies(empty_jar, collected_copy));
  return 0;
}
