// Letter case of protocol tokens (header names, schemes, proxy list keys),
// which are ASCII whatever the process locale and whatever the code page of
// the texts around them.
//   starts_with_ascii_lower("Location: /x", "location:") == true
//   equals_ascii_lower("HTTPS", "https") == true
#pragma once

#include <string_view>

namespace pindrel {

inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// `s` begins with `lower_prefix` (written in lower case), letter case ignored.
inline bool starts_with_ascii_lower(std::string_view s, std::string_view lower_prefix) {
  if (s.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    if (ascii_lower(s[i]) != lower_prefix[i]) return false;
  }
  return true;
}

inline bool equals_ascii_lower(std::string_view s, std::string_view lower) {
  return s.size() == lower.size() && starts_with_ascii_lower(s, lower);
}

}  // namespace pindrel
