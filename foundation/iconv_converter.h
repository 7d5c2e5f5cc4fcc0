// glibc iconv behind a small owner (internal to the foundation library).
// A conversion never fails as a whole: where iconv stops at a sequence it
// cannot read or cannot write, the caller's policy says how many input bytes to
// step over and what to write instead, the way the platform's code page calls
// substitute characters.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace pindrel::detail {

enum class Encoding { Cp936, Utf8, Utf16le };

// What to do at input the converter could not handle: skip `skip` bytes (at
// least 1) and append `replacement` to the output.
struct Substitution {
  std::size_t skip;
  std::string_view replacement;
};
using SubstitutionPolicy = Substitution (*)(std::string_view rest);

class IconvConverter {
 public:
  IconvConverter(Encoding from, Encoding to);
  ~IconvConverter();
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  // Converts all of `in`; never fails on content.
  std::string convert(std::string_view in, SubstitutionPolicy policy);

 private:
  iconv_t handle_;
};

// One converter per pair and thread, opened on first use.
IconvConverter& converter(Encoding from, Encoding to);

// Substitution policies for the three input encodings.
Substitution substitute_cp936_input(std::string_view rest);   // to U+FFFD
Substitution substitute_utf8_input(std::string_view rest);    // maximal subpart to U+FFFD
Substitution substitute_utf16_input(std::string_view rest);   // unmappable unit/pair to "?"

}  // namespace pindrel::detail
