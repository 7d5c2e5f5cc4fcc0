// The proxy that a WinInet proxy list names for one kind of address.
// Entries are separated by spaces or ";": "http=host:port" serves plain
// addresses only, "https=host:port" secure ones only, a bare "host:port"
// both. The first entry for the scheme wins over any bare one; of several bare
// entries the first counts. An entry with nothing after its "=" is skipped.
//
//   ProxyForScheme("http=p:8080", false) == "p:8080"
//   ProxyForScheme("http=p:8080", true)  == nullopt   (direct)
//   ProxyForScheme("q:1 https=p:2", true) == "p:2"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pindrel {

std::optional<std::string> ProxyForScheme(std::string_view list, bool secure);

}  // namespace pindrel
