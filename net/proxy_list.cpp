// ProxyForScheme: see proxy_list.h.
#include "net/proxy_list.h"

#include "foundation/ascii_case.h"

namespace pindrel {

std::optional<std::string> ProxyForScheme(std::string_view list, bool secure) {
  const std::string_view wanted = secure ? "https" : "http";
  std::optional<std::string> bare;
  std::size_t i = 0;
  while (i < list.size()) {
    std::size_t end = list.find_first_of("; ", i);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view entry = list.substr(i, end - i);
    i = end + 1;
    if (entry.empty()) continue;
    const std::size_t eq = entry.find('=');
    if (eq == std::string_view::npos) {
      if (!bare) bare = std::string(entry);
      continue;
    }
    const std::string_view where = entry.substr(eq + 1);
    if (equals_ascii_lower(entry.substr(0, eq), wanted) && !where.empty()) return std::string(where);
  }
  return bare;
}

}  // namespace pindrel
