// The text and byte primitives. Where a primitive steps by characters it uses
// the top-bit rule of char_walk.h; a lone lead byte at the very end of a Text is
// treated as a one-byte character and copied unchanged.
#include "foundation/text_primitives.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "foundation/char_walk.h"

namespace pindrel {

using detail::char_size;
using detail::find_forward;
using detail::is_lead;
using detail::kNotFound;

namespace {

Text make(std::string bytes) { return Text::from_clean_bytes(std::move(bytes)); }
Text make(std::string_view bytes) { return Text::from_clean_bytes(std::string(bytes)); }

// Length of the space character at i (1 for 0x20, 2 for 0xA1 0xA1), or 0.
std::size_t space_at(std::string_view s, std::size_t i) {
  if (s[i] == ' ') return 1;
  if (static_cast<unsigned char>(s[i]) == 0xA1 && i + 1 < s.size() &&
      static_cast<unsigned char>(s[i + 1]) == 0xA1)
    return 2;
  return 0;
}

}  // namespace

int text_length(const Text& t) { return t.length(); }

Text concat_text(std::initializer_list<Text> parts) {
  std::size_t total = 0;
  for (const auto& p : parts) total += p.bytes().size();
  std::string out;
  out.reserve(total);
  for (const auto& p : parts) out.append(p.bytes());
  return make(std::move(out));
}

int compare_text(const Text& a, const Text& b, bool case_sensitive) {
  const auto x = a.bytes();
  const auto y = b.bytes();
  const std::size_t n = std::min(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char cx = case_sensitive ? x[i] : detail::fold_ascii(x[i]);
    const char cy = case_sensitive ? y[i] : detail::fold_ascii(y[i]);
    if (cx != cy) return static_cast<unsigned char>(cx) < static_cast<unsigned char>(cy) ? -1 : 1;
  }
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

Text text_left(const Text& t, int n) {
  if (n <= 0) return {};
  return make(t.bytes().substr(0, static_cast<std::size_t>(n)));
}

Text text_right(const Text& t, int n) {
  if (n <= 0) return {};
  if (n >= t.length()) return t;
  return make(t.bytes().substr(static_cast<std::size_t>(t.length() - n)));
}

Text text_mid(const Text& t, int start, int n) {
  if (start < 1 || start > t.length() || n <= 0) return {};
  return make(t.bytes().substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

Text char_from_code(int code) {
  const char c = static_cast<char>(code & 0xFF);
  if (c == '\0') return {};
  return make(std::string(1, c));
}

int find_text(const Text& t, const Text& sub, std::optional<int> start, bool ignore_case) {
  const int s = std::max(1, start.value_or(1));
  if (s > t.length()) return -1;  // empty window
  if (sub.empty()) return 1;
  const auto hit = find_forward(t.bytes(), sub.bytes(), static_cast<std::size_t>(s - 1), ignore_case);
  return hit == kNotFound ? -1 : static_cast<int>(hit) + 1;
}

int find_text_reverse(const Text& t, const Text& sub, std::optional<int> start, bool ignore_case) {
  int w = start ? std::max(0, *start - 1) : t.length();
  w = std::min(w, t.length());
  if (sub.empty()) return w >= 1 ? 1 : -1;
  const std::string_view window = t.bytes().substr(0, static_cast<std::size_t>(w));
  std::size_t last = kNotFound;
  std::size_t from = 0;
  for (;;) {
    const auto hit = find_forward(window, sub.bytes(), from, ignore_case);
    if (hit == kNotFound) break;
    last = hit;
    from = hit + char_size(window, hit);  // the walk goes on by one character
  }
  return last == kNotFound ? -1 : static_cast<int>(last) + 1;
}

Text to_lower(const Text& t) {
  std::string out(t.bytes());
  for (std::size_t i = 0; i < out.size();) {
    if (is_lead(out[i])) {
      i += char_size(out, i);
    } else {
      out[i] = detail::fold_ascii(out[i]);
      ++i;
    }
  }
  return make(std::move(out));
}

int32_t text_to_int(const Text& t) {
  // Full-width forms first: 0xA3 x (x in 0xA1..0xFE) is the ASCII byte x - 0x80,
  // 0xA1 0xA1 a space.
  const auto in = t.bytes();
  std::string s;
  s.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const std::size_t len = char_size(in, i);
    const auto b0 = static_cast<unsigned char>(in[i]);
    const auto b1 = len == 2 ? static_cast<unsigned char>(in[i + 1]) : 0;
    if (len == 2 && b0 == 0xA3 && b1 >= 0xA1 && b1 <= 0xFE)
      s.push_back(static_cast<char>(b1 - 0x80));
    else if (len == 2 && b0 == 0xA1 && b1 == 0xA1)
      s.push_back(' ');
    else
      s.append(in.substr(i, len));
    i += len;
  }
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  uint32_t value = 0;  // unsigned: overflow wraps as the 32-bit platform's does
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    value = value * 10u + static_cast<uint32_t>(s[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

Text trim_spaces(const Text& t) {
  const auto s = t.bytes();
  std::size_t begin = 0;
  while (begin < s.size()) {
    const std::size_t sp = space_at(s, begin);
    if (!sp) break;
    begin += sp;
  }
  // Stepping by characters keeps the trail byte 0xA1 of another character
  // from being taken for half of a full-width space.
  std::size_t run = kNotFound;
  for (std::size_t i = begin; i < s.size();) {
    const std::size_t sp = space_at(s, i);
    if (sp) {
      if (run == kNotFound) run = i;
      i += sp;
    } else {
      run = kNotFound;
      i += char_size(s, i);
    }
  }
  const std::size_t end = run == kNotFound ? s.size() : run;
  return make(s.substr(begin, end - begin));
}

Text remove_spaces(const Text& t) {
  const auto s = t.bytes();
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t sp = space_at(s, i);
    if (sp) {
      i += sp;
      continue;
    }
    const std::size_t len = char_size(s, i);
    out.append(s.substr(i, len));
    i += len;
  }
  return make(std::move(out));
}

Text replace_text(const Text& t, const Text& sub, const Text& replacement, std::optional<int> start,
                  std::optional<int> count, bool case_sensitive) {
  const auto s = t.bytes();
  const std::size_t from = start ? static_cast<std::size_t>(std::max(0, *start - 1)) : 0;
  if (s.empty() || sub.empty() || from >= s.size() || (count && *count == 0)) return t;
  int remaining = count.value_or(-1);  // negative: every occurrence
  std::string out(s.substr(0, from));
  std::size_t pos = from;
  while (remaining != 0) {
    // The next match walking by characters from pos is exactly where the
    // byte-by-byte copy of the walk would have stopped.
    const auto hit = find_forward(s, sub.bytes(), pos, !case_sensitive);
    if (hit == kNotFound) break;
    out.append(s.substr(pos, hit - pos));
    out.append(replacement.bytes());
    pos = hit + sub.bytes().size();
    if (remaining > 0) --remaining;
  }
  out.append(s.substr(pos));
  return make(std::move(out));
}

TextList split_text(const Text& t, const Text& delimiter, std::optional<int> max_count) {
  TextList list;
  if (t.empty() || (max_count && *max_count <= 0)) return list;
  if (delimiter.empty()) {
    list.push_back(t);
    return list;
  }
  const auto s = t.bytes();
  const auto d = delimiter.bytes();
  std::size_t piece = 0;
  for (;;) {
    const auto hit = find_forward(s, d, piece, false);
    if (hit == kNotFound) break;
    list.push_back(make(s.substr(piece, hit - piece)));
    piece = hit + d.size();
    if (max_count && list.count() >= *max_count) return list;
  }
  if (piece < s.size()) list.push_back(make(s.substr(piece)));
  return list;
}

Text blank_text(int n) {
  if (n < 1) return {};
  return make(std::string(static_cast<std::size_t>(n), ' '));
}

ByteArray text_to_bytes(const Text& t) { return ByteArray::from_view(t.bytes()); }

Text bytes_to_text(const ByteArray& b) { return Text::from_bytes(b.view()); }

Text bytes_to_text(ByteArray&& b) { return Text::from_bytes(std::move(b)); }

int bytes_length(const ByteArray& b) { return b.length(); }

ByteArray bytes_left(const ByteArray& b, int n) {
  if (n <= 0) return {};
  return ByteArray::from_view(b.view().substr(0, static_cast<std::size_t>(n)));
}

ByteArray blank_bytes(int n) {
  if (n <= 0) return {};
  return ByteArray(std::string(static_cast<std::size_t>(n), '\0'));
}

ByteArray concat_bytes(std::initializer_list<ByteArray> parts) {
  ByteArray out;
  for (const auto& p : parts) out.append(p.view());
  return out;
}

int32_t bytes_read_int32(const ByteArray& b) {
  uint32_t v = 0;
  for (std::size_t i = 0; i < 4 && i < b.size(); ++i) v |= static_cast<uint32_t>(b.data()[i]) << (8 * i);
  return static_cast<int32_t>(v);
}

const void* bytes_address(const ByteArray& b) { return b.empty() ? nullptr : b.data(); }

Text text_at_address(const void* address) {
  if (!address) return {};
  return Text::from_bytes(static_cast<const char*>(address));
}

ByteArray bytes_at_address(const void* address, int n) {
  if (!address || n <= 0) return {};
  return ByteArray(std::string_view(static_cast<const char*>(address), static_cast<std::size_t>(n)));
}

int32_t bit_and(std::initializer_list<int32_t> values) {
  uint32_t v = 0xFFFFFFFFu;
  for (auto x : values) v &= static_cast<uint32_t>(x);
  return static_cast<int32_t>(v);
}

int32_t bit_or(std::initializer_list<int32_t> values) {
  uint32_t v = 0;
  for (auto x : values) v |= static_cast<uint32_t>(x);
  return static_cast<int32_t>(v);
}

int32_t real_to_int(double value) {
  // Truncation toward zero; out-of-range values saturate instead of being
  // undefined behaviour, NaN gives 0.
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace pindrel
