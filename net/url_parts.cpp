// Address pieces: see url_parts.h. Every step works on bytes of the local code
// page through the text primitives, so a double-byte character is never split
// by a search.
#include "net/url_parts.h"

#include "foundation/text_between.h"
#include "foundation/text_primitives.h"

namespace pindrel {
namespace {

const Text& https_scheme() {
  static const Text t = Text::from_bytes("https://");
  return t;
}
const Text& http_scheme() {
  static const Text t = Text::from_bytes("http://");
  return t;
}
const Text& slash() {
  static const Text t = Text::from_bytes("/");
  return t;
}
const Text& dot() {
  static const Text t = Text::from_bytes(".");
  return t;
}
const Text& colon() {
  static const Text t = Text::from_bytes(":");
  return t;
}

// "host:81" -> "host"; unchanged without a ":".
Text cut_port(const Text& host) {
  int p = find_text(host, colon());
  return p == -1 ? host : text_left(host, p - 1);
}

Text host_by_scheme(const Text& url, bool mainDomain, bool keepPort) {
  Text s = to_lower(url);
  if (text_right(s, 1) != slash()) s = concat_text(s, slash());
  if (text_left(s, 8) == https_scheme()) {
    s = TextBetween(s, https_scheme(), slash());
  } else {
    // An address without a scheme of its own: the first "http://" anywhere in
    // it, even inside its query, is where the host starts.
    if (find_text(s, http_scheme()) == -1) s = concat_text(http_scheme(), s);
    s = TextBetween(s, http_scheme(), slash());
  }
  if (mainDomain) {
    TextList labels = split_text(s, dot());
    int n = list_count(labels);
    if (n >= 2) s = concat_text(labels.at(n - 1), dot(), labels.at(n));
  }
  return keepPort ? s : cut_port(s);
}

Text host_by_levels(const Text& url, bool mainDomain, bool keepPort, int levels) {
  Text s = replace_text(replace_text(to_lower(url), http_scheme()), https_scheme());
  int p = find_text(s, slash());
  if (p != -1) s = text_left(s, p - 1);
  const int length = text_length(s);
  // Step back over `levels` dots from the end; a search from -1 finds nothing,
  // so once no dot is left the position stays -1.
  int h = length;
  for (int i = 0; i < levels; ++i) h = find_text_reverse(s, dot(), h);
  int l = find_text_reverse(s, dot(), h);
  if (mainDomain) {
    s = text_right(s, length - l);
  } else if (l != -1) {
    int l2 = find_text_reverse(s, dot(), l);
    if (l2 != -1) s = text_right(s, length - l2);
  }
  return keepPort ? s : cut_port(s);
}

}  // namespace

bool IsHttpsUrl(const Text& url) { return to_lower(text_left(url, 5)) == Text::from_bytes("https"); }

Text UrlHost(const Text& url, bool mainDomain, bool keepPort, std::optional<int> levels) {
  if (levels) return host_by_levels(url, mainDomain, keepPort, *levels);
  return host_by_scheme(url, mainDomain, keepPort);
}

int UrlPort(const Text& url) {
  Text q = UrlHost(url, false, true);
  int c = find_text_reverse(q, colon());
  if (c == -1) return IsHttpsUrl(url) ? 443 : 80;
  return text_to_int(text_right(q, text_length(q) - c));
}

Text UrlPath(const Text& url) {
  Text host = UrlHost(url);
  // The host is looked for after the scheme when the address has one: a host
  // such as "s" or "h" would otherwise be found inside "https" itself and the
  // path would start at the scheme's "//". For every other address the search
  // lands on the same occurrence as a search from the first byte.
  int from = 1;
  if (to_lower(text_left(url, 8)) == https_scheme()) {
    from = 9;
  } else if (to_lower(text_left(url, 7)) == http_scheme()) {
    from = 8;
  }
  int a = find_text(url, host, from, true);
  int b = find_text(url, slash(), a);
  if (b == -1) return slash();
  return text_right(url, text_length(url) - b + 1);
}

}  // namespace pindrel
