#include "foundation/iconv_converter.h"

#include "foundation/byte_range.h"
#include "foundation/utf8_decoder.h"

#include <cerrno>
#include <map>
#include <memory>
#include <utility>

namespace pindrel::detail {

namespace {

const char* iconv_name(Encoding e) {
  switch (e) {
    case Encoding::Cp936: return "CP936";
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16le: return "UTF-16LE";
  }
  return "";
}

constexpr std::string_view kUtf16Replacement("\xFD\xFF", 2);  // U+FFFD, little-endian
constexpr std::string_view kQuestionMark("?", 1);

}  // namespace

IconvConverter::IconvConverter(Encoding from, Encoding to)
    : handle_(iconv_open(iconv_name(to), iconv_name(from))) {}

IconvConverter::~IconvConverter() {
  if (ok()) iconv_close(handle_);
}

std::string IconvConverter::convert(std::string_view input, SubstitutionPolicy policy) {
  std::string out;
  if (!ok() || input.empty()) return out;
  iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
  out.resize(input.size() * 2 + 16);
  char* src = const_cast<char*>(input.data());
  std::size_t src_left = input.size();
  std::size_t used = 0;
  while (src_left > 0) {
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const std::size_t r = iconv(handle_, &src, &src_left, &dst, &dst_left);
    used = out.size() - dst_left;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL (an incomplete sequence at the end): substitute.
    const Substitution s = policy(std::string_view(src, src_left));
    const std::size_t skip = std::min(std::max<std::size_t>(s.skip, 1), src_left);
    src += skip;
    src_left -= skip;
    if (out.size() - used < s.replacement.size()) out.resize(out.size() * 2 + s.replacement.size());
    out.replace(used, s.replacement.size(), s.replacement);
    used += s.replacement.size();
  }
  out.resize(used);
  return out;
}

IconvConverter& converter(Encoding from, Encoding to) {
  thread_local std::map<std::pair<Encoding, Encoding>, std::unique_ptr<IconvConverter>> cache;
  auto& slot = cache[{from, to}];
  if (!slot) slot = std::make_unique<IconvConverter>(from, to);
  return *slot;
}

// A lead byte with a byte of the trail range is one (unassigned) character of
// two bytes, as the platform's table reads it; anything else is one byte.
Substitution substitute_cp936_input(std::string_view rest) {
  const auto b0 = static_cast<unsigned char>(rest[0]);
  if (rest.size() >= 2 && is_cp936_lead(b0) && is_cp936_trail(static_cast<unsigned char>(rest[1])))
    return {2, kUtf16Replacement};
  return {1, kUtf16Replacement};
}

// One U+FFFD for each maximal subpart of an ill-formed sequence (Unicode
// chapter 3, "U+FFFD substitution of maximal subparts"); a well-formed
// sequence that the target cannot show is stepped over whole.
Substitution substitute_utf8_input(std::string_view rest) {
  return {decode_utf8_step(rest).length, kUtf16Replacement};
}

// A character the code page cannot show becomes its default character "?":
// a surrogate pair counts as one character, a lone surrogate as one.
Substitution substitute_utf16_input(std::string_view rest) {
  if (rest.size() >= 4) {
    const unsigned u0 = static_cast<unsigned char>(rest[0]) | (static_cast<unsigned char>(rest[1]) << 8);
    const unsigned u1 = static_cast<unsigned char>(rest[2]) | (static_cast<unsigned char>(rest[3]) << 8);
    if (u0 >= 0xD800 && u0 <= 0xDBFF && u1 >= 0xDC00 && u1 <= 0xDFFF) return {4, kQuestionMark};
  }
  return {2, kQuestionMark};
}

}  // namespace pindrel::detail
