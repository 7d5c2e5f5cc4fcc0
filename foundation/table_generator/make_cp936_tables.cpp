// Writes the C++ source of the code page 936 tables (cp936_tables.h) by
// asking glibc iconv, once per code point and per byte sequence:
//
//   make_cp936_tables OUT.cpp
//
// Run by the build; a test checks the tables against iconv again.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// iconv of `in` as a whole, or nothing when iconv cannot convert all of it.
std::string convert(iconv_t cd, const std::string& in) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char out[16];
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char* dst = out;
  std::size_t dst_left = sizeof out;
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1) || src_left != 0) return {};
  if (iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1)) return {};
  return std::string(out, sizeof out - dst_left);
}

// The single BMP code point of a UTF-16LE result, or 0.
uint16_t single_unit(const std::string& utf16) {
  if (utf16.size() != 2) return 0;
  return static_cast<uint16_t>(static_cast<unsigned char>(utf16[0]) | (static_cast<unsigned char>(utf16[1]) << 8));
}

void write_table(std::FILE* out, const char* declaration, const std::vector<uint16_t>& values) {
  std::fprintf(out, "%s = {\n", declaration);
  for (std::size_t i = 0; i < values.size(); ++i)
    std::fprintf(out, "0x%X,%s", values[i], i % 16 == 15 ? "\n" : "");
  std::fprintf(out, "};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_cp936_tables OUT.cpp\n", stderr);
    return 2;
  }
  const iconv_t to_cp936 = iconv_open("CP936", "UTF-16LE");
  const iconv_t from_cp936 = iconv_open("UTF-16LE", "CP936");
  if (to_cp936 == reinterpret_cast<iconv_t>(-1) || from_cp936 == reinterpret_cast<iconv_t>(-1)) {
    std::perror("iconv_open CP936");
    return 1;
  }

  std::vector<uint16_t> from_bmp(0x10000, 0);
  for (uint32_t u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;  // never a character alone
    const std::string b = convert(to_cp936, {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)});
    if (b.size() == 1) {
      from_bmp[u] = static_cast<unsigned char>(b[0]);
    } else if (b.size() == 2) {
      from_bmp[u] = static_cast<uint16_t>((static_cast<unsigned char>(b[0]) << 8) | static_cast<unsigned char>(b[1]));
    }
    if (b.empty() || b.size() > 2 || b == std::string(1, '\0')) from_bmp[u] = 0;
  }

  std::vector<uint16_t> from_pair(126 * 256, 0);
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
    for (unsigned trail = 1; trail <= 0xFF; ++trail)
      from_pair[(lead - 0x81) * 256 + trail] =
          single_unit(convert(from_cp936, {static_cast<char>(lead), static_cast<char>(trail)}));

  std::vector<uint16_t> from_byte(128, 0);
  for (unsigned b = 0x80; b <= 0xFF; ++b) from_byte[b - 0x80] = single_unit(convert(from_cp936, {static_cast<char>(b)}));

  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fputs("// Made by make_cp936_tables from glibc iconv; do not edit.\n"
             "#include \"foundation/cp936_tables.h\"\n\nnamespace pindrel::detail {\n\n",
             out);
  write_table(out, "const uint16_t kCp936FromBmp[0x10000]", from_bmp);
  write_table(out, "const uint16_t kBmpFromCp936Pair[126 * 256]", from_pair);
  write_table(out, "const uint16_t kBmpFromCp936Byte[128]", from_byte);
  std::fputs("}  // namespace pindrel::detail\n", out);
  const bool ok = std::fclose(out) == 0;
  iconv_close(to_cp936);
  iconv_close(from_cp936);
  return ok ? 0 : 1;
}
