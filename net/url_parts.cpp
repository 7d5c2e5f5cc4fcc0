// Address pieces: see url_parts.h. Every step works on bytes of the local code
// page through the text primitives, so a double-byte character is never split
// by a search.
#include "net/url_parts.h"

#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"

namespace pindrel {
namespace {

// "host:81" -> "host"; unchanged without a ":".
Text cut_port(const Text& host) {
  int p = find_text(host, local_text(u8":"));
  return p == -1 ? host : text_left(host, p - 1);
}

Text host_by_scheme(const Text& url, bool mainDomain, bool keepPort) {
  Text s = to_lower(url);
  if (text_right(s, 1) != local_text(u8"/")) s = concat_text(s, local_text(u8"/"));
  if (text_left(s, 8) == local_text(u8"https://")) {
    s = TextBetween(s, local_text(u8"https://"), local_text(u8"/"));
  } else {
    // An address without a scheme of its own: the first "http://" anywhere in
    // it, even inside its query, is where the host starts.
    if (find_text(s, local_text(u8"http://")) == -1) s = concat_text(local_text(u8"http://"), s);
    s = TextBetween(s, local_text(u8"http://"), local_text(u8"/"));
  }
  if (mainDomain) {
    TextList labels = split_text(s, local_text(u8"."));
    int n = list_count(labels);
    if (n >= 2) s = concat_text(labels.at(n - 1), local_text(u8"."), labels.at(n));
  }
  return keepPort ? s : cut_port(s);
}

Text host_by_levels(const Text& url, bool mainDomain, bool keepPort, int levels) {
  Text s = replace_text(replace_text(to_lower(url), local_text(u8"http://")), local_text(u8"https://"));
  int p = find_text(s, local_text(u8"/"));
  if (p != -1) s = text_left(s, p - 1);
  const int length = text_length(s);
  // Step back over `levels` dots from the end; a search from -1 finds nothing,
  // so once no dot is left the position stays -1.
  int h = length;
  for (int i = 0; i < levels; ++i) h = find_text_reverse(s, local_text(u8"."), h);
  int l = find_text_reverse(s, local_text(u8"."), h);
  if (mainDomain) {
    s = text_right(s, length - l);
  } else if (l != -1) {
    int l2 = find_text_reverse(s, local_text(u8"."), l);
    if (l2 != -1) s = text_right(s, length - l2);
  }
  return keepPort ? s : cut_port(s);
}

}  // namespace

bool IsHttpsUrl(const Text& url) { return to_lower(text_left(url, 5)) == local_text(u8"https"); }

Text UrlHost(const Text& url, bool mainDomain, bool keepPort, std::optional<int> levels) {
  if (levels) return host_by_levels(url, mainDomain, keepPort, *levels);
  return host_by_scheme(url, mainDomain, keepPort);
}

int UrlPort(const Text& url) {
  Text q = UrlHost(url, false, true);
  int c = find_text_reverse(q, local_text(u8":"));
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
  if (to_lower(text_left(url, 8)) == local_text(u8"https://")) {
    from = 9;
  } else if (to_lower(text_left(url, 7)) == local_text(u8"http://")) {
    from = 8;
  }
  int a = find_text(url, host, from, true);
  int b = find_text(url, local_text(u8"/"), a);
  if (b == -1) return local_text(u8"/");
  return text_right(url, text_length(url) - b + 1);
}

}  // namespace pindrel
