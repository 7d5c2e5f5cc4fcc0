// What every fuzz target checks with: a broken invariant aborts with its name
// and the input in hex (so a replayed or libFuzzer run shows what failed), and
// no Text may hold a zero byte.
//
//   fuzz::set_input(data, size);
//   fuzz::require(pos <= text.length(), "position out of range");
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "foundation/text.h"

namespace pindrel::fuzz {

inline std::string_view current_input;

inline std::string_view set_input(const uint8_t* data, std::size_t size) {
  current_input = std::string_view(reinterpret_cast<const char*>(data), size);
  return current_input;
}

inline void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\ninput:", what);
  for (unsigned char c : current_input) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

inline void check_text(const Text& t) {
  require(t.bytes().find('\0') == std::string_view::npos, "zero byte in a Text");
}

}  // namespace pindrel::fuzz
