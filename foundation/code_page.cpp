// to_wide / from_wide with the measuring and sizing of MultiByteToWideChar
// and WideCharToMultiByte (flags 0, input zero-terminated), over glibc iconv.
//
// Code page 0, the system's ANSI code page, is 936 here. Substitutions follow
// the platform: ill-formed UTF-8 becomes U+FFFD, a character code page 936
// cannot show becomes its default character "?", 0x80 is the euro sign.
#include "foundation/code_page.h"

#include <string>

#include "foundation/cp936_reader.h"
#include "foundation/cp936_writer.h"
#include "foundation/iconv_converter.h"
#include "foundation/text_primitives.h"
#include "foundation/utf8_decoder.h"

namespace pindrel {

using detail::converter;
using detail::Encoding;

namespace {

bool is_gbk_page(int code_page) { return code_page == kCodePageAnsi || code_page == kCodePageGbk; }

// UTF-16 units (with the terminating zero unit) that reading `bytes` as code
// page 936 gives. Every two-byte GBK character is one BMP unit, assigned or
// not, so the count follows from the byte structure alone; it equals the
// length of the iconv decoding under substitute_cp936_input.
std::size_t measure_cp936_units(std::string_view bytes) { return detail::cp936_character_count(bytes) + 1; }

std::string decode_to_utf16(std::string_view bytes, int code_page, bool* supported) {
  *supported = true;
  if (code_page == kCodePageUtf8) return detail::utf8_to_utf16le(bytes);
  if (is_gbk_page(code_page))
    return converter(Encoding::Cp936, Encoding::Utf16le).convert(bytes, detail::substitute_cp936_input);
  *supported = false;
  return {};
}

// The UTF-16 data of `wide` up to its first zero unit.
std::string_view units_before_zero(const ByteArray& wide) {
  const std::string_view all = wide.view();
  std::size_t n = 0;
  while (n + 1 < all.size() && (all[n] != '\0' || all[n + 1] != '\0')) n += 2;
  return all.substr(0, n);
}

}  // namespace

ByteArray to_wide(const Text& text, int code_page) {
  const std::size_t n = measure_cp936_units(text.bytes());  // measured as code page 0
  ByteArray w = blank_bytes(static_cast<int>(n * 2));
  bool supported = false;
  const std::string units = decode_to_utf16(text.bytes(), code_page, &supported);
  // The call fails when the code page is unknown or the result and its
  // terminator do not fit n units; the buffer then stays all zero.
  if (supported && units.size() / 2 + 1 <= n) std::copy(units.begin(), units.end(), w.mutable_data());
  return w;
}

Text from_wide(const ByteArray& wide, int code_page) {
  const std::string_view data = units_before_zero(wide);
  // Measured as code page 0 (936); for a target of 936 the measured bytes are
  // the conversion itself, so it runs once.
  const std::string gbk = detail::utf16le_to_cp936(data);
  const std::size_t m = gbk.size() + 1;
  const std::size_t buffer = 2 * m;
  if (is_gbk_page(code_page)) return Text::from_bytes(gbk);  // fits: m <= 2m
  if (code_page == kCodePageUtf8) {
    const std::string utf8 = converter(Encoding::Utf16le, Encoding::Utf8).convert(data, detail::substitute_utf16_input);
    if (utf8.size() + 1 <= buffer) return Text::from_bytes(utf8);
  }
  return {};  // unknown code page, or the result does not fit the buffer
}

// One pass instead of to_wide and from_wide, with the same result: the
// measure of to_wide is kept alongside the conversion (see cp936_writer.h), and
// code page 936 is written straight from the decoded code points.
Text utf8_to_local(Text&& text) {
  text.rewrite_in_place(detail::utf8_to_cp936_in_place);
  return std::move(text);
}

Text utf8_to_local(const Text& text) { return utf8_to_local(Text(text)); }

std::string local_to_utf8(const Text& text) { return detail::cp936_to_utf8(text.bytes()); }

}  // namespace pindrel
