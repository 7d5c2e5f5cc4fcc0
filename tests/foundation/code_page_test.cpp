// The two-step conversion and its measuring: results for well-formed and
// ill-formed input, the substitutions, and the sizes of the buffers.
#include <gtest/gtest.h>

#include <random>

#include "foundation/code_page.h"
#include "foundation/iconv_converter.h"
#include "foundation/local_text.h"
#include "foundation/cp936_writer.h"
#include "foundation/utf8_decoder.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

TEST(Utf8ToLocal, Table) {
  struct Row { const char* what; std::string_view utf8, gbk; } rows[] = {
      {"two Chinese characters", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"ASCII unchanged", "<a href=\"/x?y=1\">ok</a>\r\n", "<a href=\"/x?y=1\">ok</a>\r\n"},
      {"empty", "", ""},
      {"Hangul becomes ?", "\xE4\xB8\xAD\xEA\xB0\x80\xE6\x96\x87", "\xD6\xD0?\xCE\xC4"},
      {"euro sign is 0x80", "\xE2\x82\xAC" "1", "\x80" "1"},
      {"emoji (a surrogate pair) is one ?", "a\xF0\x9F\x98\x80" "b", "a?b"},
      {"ideographic space", "\xE3\x80\x80", "\xA1\xA1"},
      {"BOM is not shown", "\xEF\xBB\xBFx", "?x"},
      // Ill-formed UTF-8 becomes U+FFFD, which code page 936 shows as "?".
      {"stray continuation byte", "\xE4\xB8\xAD\x80\xE6\x96\x87", "\xD6\xD0?\xCE\xC4"},
      {"truncated sequence at the end", "\xE4\xB8\xAD\xE6\x96", "\xD6\xD0?"},
      {"overlong slash", "\xE4\xB8\xAD\xE6\x96\x87" "a\xC0\xAF" "bcd", "\xD6\xD0\xCE\xC4" "a??bcd"},
      {"surrogate encoded in UTF-8", "\xE4\xB8\xAD\xE6\x96\x87\xED\xA0\x80" "abc", "\xD6\xD0\xCE\xC4???abc"},
  };
  for (const auto& r : rows) {
    const Text got = utf8_to_local(T(r.utf8));
    EXPECT_EQ(got, T(r.gbk)) << r.what << ": " << show_bytes(got.bytes());
  }
}

// A text that reads as fewer UTF-16 units under code page 0 (936) than as
// UTF-8 does not fit the measured buffer; the conversion then gives nothing
// rather than a cut-off or overrun page.
TEST(Utf8ToLocal, InputThatOutgrowsTheMeasureGivesTheEmptyText) {
  const Text t = T("\xC0" "A\xC0" "A");  // GBK: 2 units; UTF-8: 4 units
  EXPECT_EQ(utf8_to_local(t), Text());
  const ByteArray w = to_wide(t);
  EXPECT_EQ(w.size(), 6u);  // (2 + 1) units, all zero
  EXPECT_EQ(w, ByteArray(std::string(6, '\0')));
}

TEST(ToWide, SizesTheBufferByCodePage0AndConvertsByTheGivenOne) {
  // "中" read as GBK: E4 B8 is one character, AD followed by nothing is one:
  // 2 units + terminator = 3 units; as UTF-8 it is the single unit U+4E2D.
  const ByteArray w = to_wide(T("\xE4\xB8\xAD"));
  EXPECT_EQ(w, ByteArray(std::string("\x2D\x4E\0\0\0\0", 6)));
  EXPECT_EQ(to_wide(T("")), ByteArray(std::string(2, '\0')));
  EXPECT_EQ(to_wide(T("\xD6\xD0"), kCodePageGbk), ByteArray(std::string("\x2D\x4E\0\0", 4)));
  EXPECT_EQ(to_wide(T("ab"), 12345), ByteArray(std::string(6, '\0')));  // unknown code page
}

TEST(FromWide, StopsAtTheFirstZeroUnitAndNeverHoldsZeroBytes) {
  const ByteArray w(std::string("\x2D\x4E" "A\0\0\0B\0", 8));
  EXPECT_EQ(from_wide(w, kCodePageGbk), T("\xD6\xD0" "A"));
  EXPECT_EQ(from_wide(w), T("\xD6\xD0" "A"));  // code page 0 is 936
  EXPECT_EQ(from_wide(ByteArray()), Text());
  EXPECT_EQ(from_wide(ByteArray(std::string("\x00\xD8" "a\0", 4))), T("?a"));  // lone surrogate
  EXPECT_EQ(from_wide(ByteArray(std::string("\x2D\x4E\0\0", 4)), kCodePageUtf8), T("\xE4\xB8\xAD"));
}

// The structural count of GBK units that sizes to_wide's buffer must agree
// with what iconv decodes, for any bytes.
TEST(ToWide, MeasureAgreesWithTheDecoderOnRandomBytes) {
  std::mt19937 rng(936);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 24, '\0');
    for (auto& c : bytes) c = static_cast<char>(1 + rng() % 255);
    const std::string decoded = detail::converter(detail::Encoding::Cp936, detail::Encoding::Utf16le)
                                    .convert(bytes, detail::substitute_cp936_input);
    const ByteArray w = to_wide(T(bytes), kCodePageGbk);
    ASSERT_EQ(w.size(), decoded.size() + 2) << show_bytes(bytes);
    ASSERT_EQ(w.view().substr(0, decoded.size()), decoded) << show_bytes(bytes);
  }
}

// The table that writes code page 936 must say what iconv says, for every
// code point of the BMP: the same bytes, or "?" where iconv has none.
TEST(FromWide, TableAgreesWithIconvForEveryBmpCodePoint) {
  auto& iconv_out = detail::converter(detail::Encoding::Utf16le, detail::Encoding::Cp936);
  std::string all;
  for (uint32_t u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const char unit[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    const std::string expected = iconv_out.convert(std::string_view(unit, 2), detail::substitute_utf16_input);
    ASSERT_EQ(detail::utf16le_to_cp936(std::string_view(unit, 2)), expected) << "U+" << std::hex << u;
    all.append(unit, 2);
  }
  EXPECT_EQ(detail::utf16le_to_cp936(all), iconv_out.convert(all, detail::substitute_utf16_input));
}

// The UTF-8 decoder against iconv on random well-formed text of every length
// class, and against the maximal-subpart rule on random bytes.
TEST(ToWide, Utf8DecoderAgreesWithIconv) {
  std::mt19937 rng(65001);
  auto& iconv_in = detail::converter(detail::Encoding::Utf8, detail::Encoding::Utf16le);
  auto& iconv_utf8 = detail::converter(detail::Encoding::Utf16le, detail::Encoding::Utf8);
  for (int round = 0; round < 500; ++round) {
    std::string utf16;
    for (int k = 0; k < 40; ++k) {
      uint32_t cp;
      switch (rng() % 4) {
        case 0: cp = 1 + rng() % 0x7F; break;
        case 1: cp = 0x80 + rng() % 0x780; break;
        case 2: cp = 0x800 + rng() % 0xF800; break;
        default: cp = 0x10000 + rng() % 0x100000;
      }
      if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0x4E2D;
      if (cp >= 0x10000) {
        const uint32_t v = cp - 0x10000;
        const uint32_t hi = 0xD800 + (v >> 10), lo = 0xDC00 + (v & 0x3FF);
        utf16 += {static_cast<char>(hi & 0xFF), static_cast<char>(hi >> 8), static_cast<char>(lo & 0xFF),
                  static_cast<char>(lo >> 8)};
      } else {
        utf16 += {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8)};
      }
    }
    const std::string utf8 = iconv_utf8.convert(utf16, detail::substitute_utf16_input);
    ASSERT_EQ(detail::utf8_to_utf16le(utf8), utf16);
    ASSERT_EQ(detail::utf8_to_utf16le(utf8), iconv_in.convert(utf8, detail::substitute_utf8_input));
  }
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 16, '\0');
    for (auto& c : bytes) c = static_cast<char>(0x80 + rng() % 0x80);
    ASSERT_EQ(detail::utf8_to_utf16le(bytes), iconv_in.convert(bytes, detail::substitute_utf8_input))
        << show_bytes(bytes);
  }
}

// The two steps as the platform's calls take them, each step by iconv: the
// text as UTF-16 (U+FFFD per maximal subpart), empty when that needs more
// units than reading the text as code page 936 gives, else those units
// written as code page 936 ("?" for what it cannot show).
std::string two_steps_through_iconv(const std::string& utf8) {
  const std::string utf16 = detail::converter(detail::Encoding::Utf8, detail::Encoding::Utf16le)
                                .convert(utf8, detail::substitute_utf8_input);
  const std::string measured = detail::converter(detail::Encoding::Cp936, detail::Encoding::Utf16le)
                                   .convert(utf8, detail::substitute_cp936_input);
  if (utf16.size() > measured.size()) return {};
  return detail::converter(detail::Encoding::Utf16le, detail::Encoding::Cp936)
      .convert(utf16, detail::substitute_utf16_input);
}

// Random pieces that stress the one-pass conversion where it differs from
// the two steps in shape: ASCII runs of every length (the eight-byte path and
// the bytes that close a pending code page 936 lead byte), characters of every
// UTF-8 length, and stray bytes of any value.
std::string random_page_piece(std::mt19937& rng, bool ill_formed) {
  std::string out;
  for (int k = 0, pieces = 1 + static_cast<int>(rng() % 12); k < pieces; ++k) {
    switch (rng() % (ill_formed ? 5 : 4)) {
      case 0:
        for (unsigned n = rng() % 20; n > 0; --n) out.push_back(static_cast<char>(1 + rng() % 0x7F));
        break;
      case 1: out += "\xE4\xB8\xAD\xE6\x96\x87\xE3\x80\x80"; break;  // 中文, ideographic space
      case 2: {
        static const char* const kChars[] = {"\xC2\x80", "\xC3\xA9", "\xDF\xBF", "\xE0\xA0\x80", "\xE4\x80\x80",
                                             "\xED\x9F\xBF", "\xEF\xBF\xBD", "\xEA\xB0\x80", "\xF0\x90\x80\x80",
                                             "\xF4\x8F\xBF\xBF", "\xE2\x82\xAC"};
        out += kChars[rng() % std::size(kChars)];
        break;
      }
      case 3: out.push_back(static_cast<char>(0x40 + rng() % 0x3F)); break;  // a would-be trail byte
      default:
        for (unsigned n = 1 + rng() % 3; n > 0; --n) out.push_back(static_cast<char>(0x80 + rng() % 0x80));
    }
  }
  return out;
}

TEST(Utf8ToLocal, AgreesWithTheTwoStepsThroughIconv) {
  std::mt19937 rng(936936);
  for (bool ill_formed : {false, true}) {
    for (int round = 0; round < 3000; ++round) {
      const std::string utf8 = random_page_piece(rng, ill_formed);
      const Text expected = T(two_steps_through_iconv(utf8));
      const Text source = T(utf8);
      ASSERT_EQ(utf8_to_local(source), expected) << show_bytes(utf8);  // copy
      ASSERT_EQ(utf8_to_local(T(utf8)), expected) << show_bytes(utf8);  // in place
    }
  }
  // Any bytes at all, short enough that every length class shows up.
  for (int round = 0; round < 5000; ++round) {
    std::string bytes(rng() % 12, '\0');
    for (auto& c : bytes) c = static_cast<char>(1 + rng() % 255);
    ASSERT_EQ(utf8_to_local(T(bytes)), T(two_steps_through_iconv(bytes))) << show_bytes(bytes);
  }
}

// Where the UTF-16 units meet the code page 936 count exactly, and one past.
TEST(Utf8ToLocal, MeasureDecidesAtItsEdges) {
  struct Row { const char* what; std::string_view utf8; bool empty; } rows[] = {
      {"lead and trail pair: 1 unit each way", "\xC0" "A", true},   // U+FFFD A: 2 units, GBK 1
      {"one lone lead byte: 1 unit each way", "\xC0", false},
      {"pair, then a byte below 0x40", "\xC0" "A" "\xC0" " ", true},
      {"a stray lead byte takes the first of 8 ASCII bytes", "\xC0" "ABCDEFGH", true},
      {"a Chinese character does too, with slack to spare", "\xE4\xB8\xAD" "ABCDEFGH", false},
      {"slack of a Chinese character pays for one pair", "\xE4\xB8\xAD\xC0" "A", false},
      {"but not for two", "\xE4\xB8\xAD\xC0" "A\xC0" "A", true},
      {"a pending lead closed by the first of eight ASCII bytes", "\xE4\xB8\xAD" "ABCDEFGH\x80\x80", false},
  };
  for (const auto& r : rows) {
    const std::string utf8(r.utf8);
    EXPECT_EQ(two_steps_through_iconv(utf8).empty(), r.empty) << r.what;  // the row itself is right
    EXPECT_EQ(utf8_to_local(T(utf8)), T(two_steps_through_iconv(utf8))) << r.what;
  }
}

// The reading direction, for every one- and two-byte text, against iconv.
TEST(LocalToUtf8, AgreesWithIconvForEveryShortText) {
  auto through_iconv = [](const std::string& gbk) {
    const std::string utf16 = detail::converter(detail::Encoding::Cp936, detail::Encoding::Utf16le)
                                  .convert(gbk, detail::substitute_cp936_input);
    return detail::converter(detail::Encoding::Utf16le, detail::Encoding::Utf8)
        .convert(utf16, detail::substitute_utf16_input);
  };
  for (int b0 = 1; b0 < 256; ++b0) {
    const std::string one(1, static_cast<char>(b0));
    ASSERT_EQ(local_to_utf8(T(one)), through_iconv(one)) << show_bytes(one);
    for (int b1 = 1; b1 < 256; ++b1) {
      const std::string two = {static_cast<char>(b0), static_cast<char>(b1)};
      ASSERT_EQ(local_to_utf8(T(two)), through_iconv(two)) << show_bytes(two);
    }
  }
}

TEST(LocalText, LiteralsBecomeCodePage936) {
  EXPECT_EQ(local_text(u8"信息："), T("\xD0\xC5\xCF\xA2\xA3\xBA"));
  EXPECT_EQ(local_text(u8"解析"), T("\xBD\xE2\xCE\xF6"));
  EXPECT_EQ(local_text(u8"http://x/"), T("http://x/"));
  EXPECT_EQ(local_text(u8""), Text());
  EXPECT_EQ(local_to_utf8(local_text(u8"检查更新")), std::string(reinterpret_cast<const char*>(u8"检查更新")));
  EXPECT_EQ(local_to_utf8(T("a\xFF")), "a\xEF\xBF\xBD");  // undecodable byte
}

}  // namespace
}  // namespace pindrel
