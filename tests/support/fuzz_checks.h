// What every fuzz target checks with: a broken invariant aborts with its name
// and the input in hex (so a replayed or libFuzzer run shows what failed), and
// every Text a target gets reads back as what the program shows of it.
//
//   fuzz::set_input(data, size);
//   fuzz::require(pos <= text.length(), "position out of range");
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/code_page.h"
#include "foundation/cp936_writer.h"
#include "foundation/text.h"
#include "foundation/utf8_decoder.h"

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

// A Text reads back (local_to_utf8, as the windows and the tools show it) as
// well-formed UTF-8 without a zero, one character for each code page 936
// character it holds. The no-zero rule itself needs no check here: both
// constructors cut at a zero byte.
inline void check_text(const Text& t) {
  const std::string utf8 = local_to_utf8(t);
  std::size_t characters = 0;
  for (std::size_t i = 0; i < utf8.size(); ++characters) {
    const detail::Utf8Step step = detail::decode_utf8_step(std::string_view(utf8).substr(i));
    require(step.valid && step.code_point != 0, "a Text does not read back as UTF-8");
    i += step.length;
  }
  require(characters == detail::cp936_character_count(t.bytes()), "a Text reads back as another number of characters");
}

}  // namespace pindrel::fuzz
