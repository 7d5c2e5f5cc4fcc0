// Fuzz target over the address pieces. The first byte picks the options of the
// level form; the rest is the address. Invariants on every input:
//   - the path begins with "/" and is "/" or the address's own last bytes;
//   - the host without its port holds no ":"; with keepPort, cutting at its
//     first ":" gives the host without the port;
//   - a host that names no port gives 443 or 80 by IsHttpsUrl;
//   - IsHttpsUrl depends on the first five bytes only, not on their letter
//     case, and an "https://" or "http://" put in front decides it;
//   - in the level form, the host with mainDomain is the last bytes of the
//     host without it (before the port is cut);
//   - no result ever holds a zero byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/text_primitives.h"
#include "net/url_parts.h"
#include "tests/support/fuzz_checks.h"
#include "tests/support/test_text.h"

using namespace pindrel;

namespace {

using fuzz::check_text;
using fuzz::require;

// "hTtPs://x" -> "HtTpS://x" for n == 5: ASCII letters among the first n bytes
// in the other case.
Text with_first_letters_case_swapped(const Text& t, std::size_t n) {
  std::string bytes(t.bytes());
  for (std::size_t i = 0; i < bytes.size() && i < n; ++i) {
    const char c = bytes[i];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) bytes[i] = static_cast<char>(c ^ 0x20);
  }
  return Text::from_bytes(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::set_input(data, size);
  if (size == 0) return 0;
  const int options = data[0];
  const Text url = Text::from_bytes(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  const Text colon = T(":");

  const Text path = UrlPath(url);
  check_text(path);
  require(path.bytes().starts_with("/"), "path without a leading /");
  require(path == T("/") || url.bytes().ends_with(path.bytes()), "path is not the address's end");

  const Text host = UrlHost(url);
  const Text host_port = UrlHost(url, false, true);
  check_text(host);
  check_text(host_port);
  require(find_text(host, colon) == -1, "host keeps a port");
  const int c = find_text(host_port, colon);
  require((c == -1 ? host_port : text_left(host_port, c - 1)) == host, "keepPort differs beyond the port");
  if (c == -1) require(UrlPort(url) == (IsHttpsUrl(url) ? 443 : 80), "default port");
  // The secure test looks at the scheme alone: only the first five bytes
  // count, their letter case does not, and a scheme put in front decides.
  const bool secure = IsHttpsUrl(url);
  require(IsHttpsUrl(text_left(url, 5)) == secure, "secure test looks past the scheme");
  require(IsHttpsUrl(with_first_letters_case_swapped(url, 5)) == secure, "secure test counts letter case");
  require(IsHttpsUrl(concat_text(T("HTTPS://"), url)), "https:// in front is not secure");
  require(!IsHttpsUrl(concat_text(T("http://"), url)), "http:// in front is secure");

  check_text(UrlHost(url, true));

  const int levels = (options & 0x0F) - 2;
  const bool main_domain = (options & 0x10) != 0;
  const bool keep_port = (options & 0x20) != 0;
  const Text leveled = UrlHost(url, main_domain, keep_port, levels);
  check_text(leveled);
  if (!keep_port) require(find_text(leveled, colon) == -1, "level form keeps a port");
  const Text leveled_main = UrlHost(url, true, true, levels);
  const Text leveled_plain = UrlHost(url, false, true, levels);
  require(leveled_plain.bytes().ends_with(leveled_main.bytes()), "level form with mainDomain is not a suffix");
  return 0;
}
