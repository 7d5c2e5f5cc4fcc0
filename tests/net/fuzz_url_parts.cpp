// Fuzz target over the address pieces. The first byte picks the options of the
// level form; the rest is the address. Invariants on every input:
//   - the path begins with "/" and is "/" or the address's own last bytes;
//   - the host without its port holds no ":"; with keepPort, cutting at its
//     first ":" gives the host without the port;
//   - a host that names no port gives 443 or 80 by IsHttpsUrl;
//   - in the level form, the host with mainDomain is the last bytes of the
//     host without it (before the port is cut);
//   - no result ever holds a zero byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "foundation/text_primitives.h"
#include "net/url_parts.h"
#include "tests/support/fuzz_checks.h"

using namespace pindrel;

namespace {

using fuzz::check_text;
using fuzz::require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::set_input(data, size);
  if (size == 0) return 0;
  const int options = data[0];
  const Text url = Text::from_bytes(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  const Text colon = Text::from_bytes(":");

  const Text path = UrlPath(url);
  check_text(path);
  require(path.bytes().starts_with("/"), "path without a leading /");
  require(path == Text::from_bytes("/") || url.bytes().ends_with(path.bytes()), "path is not the address's end");

  const Text host = UrlHost(url);
  const Text host_port = UrlHost(url, false, true);
  check_text(host);
  check_text(host_port);
  require(find_text(host, colon) == -1, "host keeps a port");
  const int c = find_text(host_port, colon);
  require((c == -1 ? host_port : text_left(host_port, c - 1)) == host, "keepPort differs beyond the port");
  if (c == -1) require(UrlPort(url) == (IsHttpsUrl(url) ? 443 : 80), "default port");
  require(IsHttpsUrl(url) == (to_lower(text_left(url, 5)) == Text::from_bytes("https")), "secure test");

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
