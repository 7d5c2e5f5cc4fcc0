// Cookie texts: see cookies.h. This is not RFC 6265 cookie handling: names and
// values are bare text, attributes are thrown away, and a jar is matched by
// name alone, the way the program's callers use it.
#include "net/cookies.h"

#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"

namespace pindrel {
namespace {

bool is_deletion_marker(const Text& piece) {
  return text_right(piece, 8) == local_text(u8"=deleted");
}

// "a; b; " -> "a; b": drops the separator after the last piece.
Text drop_last(const Text& t, int n) { return text_left(t, text_length(t) - n); }

}  // namespace

Text CollectResponseCookies(Text& rawHeaders) {
  const Text set_cookie = local_text(u8"Set-Cookie");
  const Text set_cookie_colon = local_text(u8"Set-Cookie:");
  const Text semicolon = local_text(u8";");
  rawHeaders = replace_text(rawHeaders, set_cookie, set_cookie, std::nullopt, std::nullopt,
                            /*case_sensitive=*/false);
  std::string result;
  for (const Text& line : split_text(rawHeaders, local_text(u8"\r\n"))) {
    if (find_text(line, set_cookie) == -1) continue;
    Text value;
    if (find_text(line, semicolon) != -1) {
      value = trim_spaces(TextBetween(line, set_cookie_colon, semicolon));
    } else {
      value = trim_spaces(replace_text(line, set_cookie_colon, Text(), std::nullopt, std::nullopt,
                                       /*case_sensitive=*/false));
    }
    result.append(value.bytes());
    result.append("; ");
  }
  return drop_last(Text::from_bytes(result), 2);
}

Text MergeCookies(Text& jar, Text& fresh) {
  jar = remove_spaces(jar);
  fresh = remove_spaces(fresh);
  const TextList old_pieces = split_text(jar, local_text(u8";"));
  TextList pieces = split_text(fresh, local_text(u8";"));
  // The list grows while the old pieces are tested, so of several old pieces
  // with one name only the first gets in.
  for (const Text& old_piece : old_pieces) {
    if (!HasCookieNamed(pieces, CookieName(old_piece))) pieces.push_back(old_piece);
  }
  std::string merged;
  for (const Text& piece : pieces) {
    if (is_deletion_marker(piece)) continue;
    merged.append(piece.bytes());
    merged.append("; ");
  }
  jar = RemoveDuplicatePieces(drop_last(Text::from_bytes(merged), 2), local_text(u8"; "));
  return jar;
}

Text CookieName(const Text& piece) {
  int p = find_text(piece, local_text(u8"="));
  return trim_spaces(p == -1 ? piece : text_left(piece, p - 1));
}

bool HasCookieNamed(const TextList& pieces, const Text& name) {
  for (const Text& piece : pieces) {
    if (CookieName(piece) == name) return true;
  }
  return false;
}

Text RemoveDuplicatePieces(const Text& text, const Text& delimiter) {
  TextList seen;
  std::string result;
  for (const Text& piece : split_text(text, delimiter)) {
    if (IndexOfText(seen, piece) != -1) continue;
    seen.push_back(piece);
    result.append(piece.bytes());
    result.append(delimiter.bytes());
  }
  return drop_last(Text::from_bytes(result), text_length(delimiter));
}

int IndexOfText(const TextList& list, const Text& text) {
  for (int i = 1; i <= list_count(list); ++i) {
    if (list.at(i) == text) return i;
  }
  return -1;
}

}  // namespace pindrel
