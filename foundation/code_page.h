// Code page conversion with the measuring and sizing of the platform's
// MultiByteToWideChar / WideCharToMultiByte, in two steps through UTF-16:
//   utf8_to_local(bytes E4 B8 AD E6 96 87) == GBK bytes D6 D0 CE C4
// Code page 0 is the system's ANSI code page, which is 936 here.
// utf8_to_local gives the result of the two steps in one pass, without the
// UTF-16 buffer.
#pragma once

#include "foundation/text.h"

namespace pindrel {

inline constexpr int kCodePageAnsi = 0;
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageUtf8 = 65001;

// UTF-16LE units followed by one zero unit. The buffer is sized by measuring
// the text as code page 0; when the conversion under `code_page` needs more
// units than that (ill-formed UTF-8 can), nothing is written and the result is
// the measured buffer of zero units, which reads as the empty text.
ByteArray to_wide(const Text& text, int code_page = kCodePageUtf8);
// The Text of the UTF-16LE data up to its first zero unit; characters the code
// page cannot show become "?". Empty when the conversion does not fit the
// buffer of twice the measured size (never for code page 936).
Text from_wide(const ByteArray& wide, int code_page = kCodePageAnsi);
// from_wide(to_wide(text), 936). The rvalue form converts in the text's own
// storage, so a whole page is converted without a second buffer.
Text utf8_to_local(const Text& text);
Text utf8_to_local(Text&& text);

// The reverse direction, for the GUI and the tools that print texts: GBK bytes
// as UTF-8 (undecodable bytes become U+FFFD).
std::string local_to_utf8(const Text& text);

}  // namespace pindrel
