// Character stepping shared by the searching primitives (internal to the
// foundation library). A byte of 0x80 or more is a lead byte and takes the next
// byte with it; only the top bit is looked at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pindrel::detail {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

inline bool is_lead(char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; }

// Bytes in the character starting at i (a lead byte that is the last byte of
// s counts as one byte).
inline std::size_t char_size(std::string_view s, std::size_t i) {
  return (is_lead(s[i]) && i + 1 < s.size()) ? 2 : 1;
}

// First index in [from, to) holding a byte of 0x80 or more, or `to`. Eight
// bytes at a time: ASCII-heavy text is skipped at memory speed.
inline std::size_t find_high_byte(std::string_view s, std::size_t from, std::size_t to) {
  const char* p = s.data();
  std::size_t i = from;
  for (; i + 8 <= to; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & 0x8080808080808080ull) break;
  }
  for (; i < to; ++i)
    if (is_lead(p[i])) return i;
  return to;
}

inline char fold_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Compares sub with the bytes at `at` (a character start). Ignoring case folds
// only A-Z/a-z that are characters of their own: both bytes of a two-byte
// character must be identical.
inline bool matches_at(std::string_view s, std::size_t at, std::string_view sub, bool ignore_case) {
  if (!ignore_case) return std::memcmp(s.data() + at, sub.data(), sub.size()) == 0;
  for (std::size_t k = 0; k < sub.size();) {
    const char c = s[at + k];
    if (is_lead(c)) {
      if (c != sub[k]) return false;
      if (k + 1 < sub.size() && s[at + k + 1] != sub[k + 1]) return false;
      k += 2;
    } else {
      if (fold_ascii(c) != fold_ascii(sub[k])) return false;
      ++k;
    }
  }
  return true;
}

// The first candidate position at or after `from` where `sub` (not empty)
// stands, walking by characters from `from`; kNotFound when there is none.
//
// Exact searches let memmem find the bytes and then ask whether the hit is a
// character start of the walk. The byte after any byte below 0x80 always
// starts a character (that byte is a character of its own or ends a
// two-byte one), and so does `from`; from the nearest such start the bytes up
// to the hit are all 0x80 or more, so they pair up, and the hit starts a
// character when their count is even. A hit that is a trail byte makes the
// byte after it a known start, so no byte is looked at twice.
//
// Case-ignoring searches walk: runs of bytes below 0x80 are all character
// starts, a lead byte is a candidate and is then stepped over with its trail.
inline std::size_t find_forward(std::string_view s, std::string_view sub, std::size_t from,
                                bool ignore_case) {
  const std::size_t n = s.size();
  const std::size_t m = sub.size();
  if (m == 0 || m > n || from > n - m) return kNotFound;
  if (!ignore_case) {
    std::size_t known_start = from;
    std::size_t p = from;
    while (p + m <= n) {
      const void* hit = memmem(s.data() + p, n - p, sub.data(), m);
      if (!hit) return kNotFound;
      const auto x = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
      std::size_t k = x;
      while (k > known_start && is_lead(s[k - 1])) --k;
      if ((x - k) % 2 == 0) return x;
      known_start = x + 1;
      p = x + 1;
    }
    return kNotFound;
  }
  const std::size_t last = n - m;  // candidates lie in [from, last]
  std::size_t p = from;
  while (p <= last) {
    const std::size_t h = find_high_byte(s, p, last + 1);
    for (std::size_t q = p; q < h; ++q)
      if (matches_at(s, q, sub, true)) return q;
    if (h > last) return kNotFound;
    if (matches_at(s, h, sub, true)) return h;
    p = h + 2;
  }
  return kNotFound;
}

}  // namespace pindrel::detail
