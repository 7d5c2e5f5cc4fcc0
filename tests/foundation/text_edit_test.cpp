// The primitives that cut, join, convert and edit texts and byte arrays.
#include <gtest/gtest.h>

#include <optional>

#include "foundation/text_primitives.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

TEST(TextCuts, LeftRightMidByBytes) {
  struct Row { const char* what; Text got; std::string_view expected; } rows[] = {
      {"left within", text_left(T("abc"), 2), "ab"},
      {"left past the end", text_left(T("abc"), 5), "abc"},
      {"left 0", text_left(T("abc"), 0), ""},
      {"left negative", text_left(T("abc"), -1), ""},
      {"left cuts a character in half", text_left(T("\xD6\xD0"), 1), "\xD6"},
      {"right within", text_right(T("abc"), 2), "bc"},
      {"right past the end", text_right(T("abc"), 9), "abc"},
      {"right 0", text_right(T("abc"), 0), ""},
      {"mid from 3 for 5", text_mid(T("abc"), 3, 5), "c"},
      {"mid from 4 for 1", text_mid(T("abc"), 4, 1), ""},
      {"mid from 0", text_mid(T("abc"), 0, 2), ""},
      {"mid for 0", text_mid(T("abc"), 1, 0), ""},
      {"mid from 2 for 1", text_mid(T("abc"), 2, 1), "b"},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, T(r.expected)) << r.what;
}

TEST(TextJoin, ConcatSkipsNothingButEmptyParts) {
  EXPECT_EQ(concat_text(T("a"), T(""), T("bc")), T("abc"));
  EXPECT_EQ(concat_text({}), Text());
  EXPECT_EQ(char_from_code(0x41), T("A"));
  EXPECT_EQ(char_from_code(0x1A3), T("\xA3"));  // low eight bits only
  EXPECT_EQ(char_from_code(0), Text());
  EXPECT_EQ(char_from_code(0x100), Text());  // a zero byte is never put in a Text
}

// Zero only for equal bytes; otherwise the sign of the first differing byte,
// read unsigned, or of the lengths when one is a prefix of the other.
TEST(TextCompare, SignFollowsTheFirstDifferingByte) {
  struct Row { const char* what; std::string_view a, b; bool case_sensitive; int sign; } rows[] = {
      {"equal", "abc", "abc", true, 0},
      {"empty and absent", "", "", true, 0},
      {"last byte smaller", "abc", "abd", true, -1},
      {"last byte larger", "abd", "abc", true, 1},
      {"prefix first", "ab", "abc", true, -1},
      {"longer last", "abc", "ab", true, 1},
      {"empty before anything", "", "a", true, -1},
      {"upper case before lower", "ABC", "abc", true, -1},
      {"bytes of 0x80 and up count unsigned", "\xB0", "a", true, 1},
      {"case ignored: equal", "ABC", "abc", false, 0},
      {"case ignored: folded to lower", "[", "A", false, -1},  // '[' 0x5B < 'a' 0x61
      {"case ignored: still by byte", "abD", "ABc", false, 1},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const auto& r : rows) {
    EXPECT_EQ(sign(compare_text(T(r.a), T(r.b), r.case_sensitive)), r.sign) << r.what;
    EXPECT_EQ(sign(compare_text(T(r.b), T(r.a), r.case_sensitive)), -r.sign) << r.what << " (swapped)";
  }
}

TEST(TextCase, ToLowerChangesOnlyAsciiLetters) {
  EXPECT_EQ(to_lower(T("AbC-Z[@")), T("abc-z[@"));
  EXPECT_EQ(to_lower(T("\x81\x41")), T("\x81\x41"));        // trail byte 'A' kept
  EXPECT_EQ(to_lower(T("X\xB0\x41Y")), T("x\xB0\x41y"));
  EXPECT_EQ(to_lower(T("AB\xC1")), T("ab\xC1"));            // lone lead byte at the end
}

TEST(TextToInt, Table) {
  struct Row { const char* what; std::string_view text; int32_t expected; } rows[] = {
      {"leading spaces and sign", "  -12abc", -12},
      {"plus sign", "+7", 7},
      {"full-width digits", "\xA3\xB8\xA3\xB0", 80},
      {"full-width minus and space", "\xA1\xA1\xA3\xAD" "5", -5},
      {"empty", "", 0},
      {"no digits", "abc", 0},
      {"sign alone", "-", 0},
      {"white space of every kind", "\t\n\v\f\r 42", 42},
      {"2^32 + 1 wraps", "4294967297", 1},
      {"2^31 wraps negative", "2147483648", INT32_MIN},
      {"stops at the first non-digit", "12 3", 12},
      {"a second sign stops", "--3", 0},
  };
  for (const auto& r : rows) EXPECT_EQ(text_to_int(T(r.text)), r.expected) << r.what;
}

TEST(TextSpaces, TrimAndRemove) {
  struct Row { const char* what; Text got; std::string_view expected; } rows[] = {
      {"trim keeps tab", trim_spaces(T("  a b\t ")), "a b\t"},
      {"trim full-width", trim_spaces(T("\xA1\xA1x\xA1\xA1")), "x"},
      {"trim all spaces", trim_spaces(T(" \xA1\xA1 ")), ""},
      {"trim empty", trim_spaces(T("")), ""},
      // The trail A1 of A2 A1 followed by A1 x must not be taken for a space.
      {"trail A1 is not half a space", trim_spaces(T("\xA2\xA1\xA1x")), "\xA2\xA1\xA1x"},
      {"trailing A1 after a character", trim_spaces(T("x\xB0\xA1\xA1\xA1")), "x\xB0\xA1"},
      {"inner spaces kept", trim_spaces(T(" a \xA1\xA1 b ")), "a \xA1\xA1 b"},
      {"lone lead at the end", trim_spaces(T(" a\xA1")), "a\xA1"},
      {"remove", remove_spaces(T("a b\xA1\xA1" "c")), "abc"},
      {"remove keeps A1 of other characters", remove_spaces(T("\xA2\xA1\xA1\xA3 ")), "\xA2\xA1\xA1\xA3"},
      {"remove keeps tabs", remove_spaces(T("\ta \n")), "\ta\n"},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, T(r.expected)) << r.what;
}

TEST(TextReplace, Table) {
  const Text t = T("aXbxc");
  struct Row { const char* what; Text got; std::string_view expected; } rows[] = {
      {"case-insensitive", replace_text(t, T("x"), T("-"), std::nullopt, std::nullopt, false), "a-b-c"},
      {"case-sensitive", replace_text(t, T("x"), T("-")), "aXb-c"},
      {"count 1", replace_text(t, T("x"), T("-"), std::nullopt, 1, false), "a-bxc"},
      {"count 0", replace_text(t, T("x"), T("-"), std::nullopt, 0, false), "aXbxc"},
      {"negative count means all", replace_text(t, T("x"), T("-"), std::nullopt, -1, false), "a-b-c"},
      {"empty sub", replace_text(t, T(""), T("-")), "aXbxc"},
      {"start 9", replace_text(t, T("x"), T("-"), 9), "aXbxc"},
      {"start 4", replace_text(t, T("x"), T("-"), 4, std::nullopt, false), "aXb-c"},
      {"replacement omitted", replace_text(t, T("x")), "aXbc"},
      {"replacement is not searched again", replace_text(T("aa"), T("a"), T("aa")), "aaaa"},
      {"trail byte not replaced", replace_text(T("\xB0PP"), T("P"), T("q")), "\xB0Pq"},
      {"quote word", replace_text(T("x=#\xD2\xFD\xBA\xC5"), T("#\xD2\xFD\xBA\xC5"), T("\"")), "x=\""},
      {"empty text", replace_text(T(""), T("a"), T("b")), ""},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, T(r.expected)) << r.what;
}

TEST(TextSplit, Table) {
  struct Row {
    const char* what;
    TextList got;
    TextList expected;
  } rows[] = {
      {"empty piece kept inside", split_text(T("a,,b")), {T("a"), T(""), T("b")}},
      {"trailing empty piece dropped", split_text(T("a,b,")), {T("a"), T("b")}},
      {"leading empty piece kept", split_text(T(",a")), {T(""), T("a")}},
      {"max count", split_text(T("a,b,c"), T(","), 2), {T("a"), T("b")}},
      {"max count 0", split_text(T("a,b"), T(","), 0), {}},
      {"empty text", split_text(T("")), {}},
      {"empty delimiter", split_text(T("abc"), T("")), {T("abc")}},
      {"two-byte delimiter", split_text(T("k=v; a=b"), T("; ")), {T("k=v"), T("a=b")}},
      {"delimiter alone", split_text(T(",")), {T("")}},
      {"trail byte is no delimiter", split_text(T("\xB0,a,b"), T(",")), {T("\xB0,a"), T("b")}},
  };
  for (const auto& r : rows) EXPECT_EQ(r.got, r.expected) << r.what;
}

TEST(Bytes, ConversionsAndCuts) {
  EXPECT_EQ(bytes_to_text(ByteArray(std::string("A\0B", 3))), T("A"));
  EXPECT_EQ(bytes_to_text(ByteArray(std::string("AB"))), T("AB"));
  EXPECT_EQ(text_to_bytes(T("ab")).view(), "ab");
  EXPECT_EQ(text_to_bytes(T("")).size(), 0u);
  EXPECT_EQ(blank_text(3), T("   "));
  EXPECT_EQ(blank_text(0), Text());
  EXPECT_EQ(blank_bytes(0), ByteArray());
  EXPECT_EQ(blank_bytes(2), ByteArray(std::string(2, '\0')));
  EXPECT_EQ(concat_bytes(ByteArray(), ByteArray()), ByteArray());
  EXPECT_EQ(concat_bytes(ByteArray("a"), ByteArray(), ByteArray(std::string("\0b", 2))),
            ByteArray(std::string("a\0b", 3)));
  EXPECT_EQ(bytes_left(ByteArray("abc"), -1), ByteArray());
  EXPECT_EQ(bytes_left(ByteArray("abc"), 2), ByteArray("ab"));
  EXPECT_EQ(bytes_left(ByteArray("abc"), 7), ByteArray("abc"));
  EXPECT_EQ(bytes_length(ByteArray(std::string(5, '\0'))), 5);
}

TEST(Bytes, ReadInt32LittleEndian) {
  EXPECT_EQ(bytes_read_int32(ByteArray(std::string("\x78\x56\x34\x12"))), 0x12345678);
  EXPECT_EQ(bytes_read_int32(ByteArray(std::string("\xFF\xFF\xFF\xFF"))), -1);
  EXPECT_EQ(bytes_read_int32(ByteArray(std::string("\x01\x02"))), 0x0201);  // missing bytes are 0
  EXPECT_EQ(bytes_read_int32(ByteArray()), 0);
}

TEST(Bytes, AddressesAndCopies) {
  const ByteArray b(std::string("hi\0there", 8));
  EXPECT_EQ(bytes_address(ByteArray()), nullptr);
  ASSERT_NE(bytes_address(b), nullptr);
  EXPECT_EQ(text_at_address(bytes_address(b)), T("hi"));
  EXPECT_EQ(bytes_at_address(bytes_address(b), 8), b);
  EXPECT_EQ(bytes_at_address(bytes_address(b), 0), ByteArray());
  EXPECT_EQ(text_at_address("\0x"), Text());
}

TEST(Numbers, BitsAndTruncation) {
  EXPECT_EQ(bit_and({0x0F, 0x3C, 0x7E}), 0x0C);
  EXPECT_EQ(bit_or({0x01, 0x10, 0x100}), 0x111);
  EXPECT_EQ(bit_and({-1, INT32_MIN}), INT32_MIN);
  EXPECT_EQ(real_to_int(2.9), 2);
  EXPECT_EQ(real_to_int(-2.9), -2);
  EXPECT_EQ(real_to_int(1e20), INT32_MAX);   // saturates instead of undefined behaviour
  EXPECT_EQ(real_to_int(-1e20), INT32_MIN);
}

}  // namespace
}  // namespace pindrel
