// The value types: the no-zero rule of Text, equality, list indexing.
#include <gtest/gtest.h>

#include "foundation/text.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

TEST(TextValue, FromBytesStopsAtTheFirstZeroByte) {
  EXPECT_EQ(Text::from_bytes(std::string_view("A\0B", 3)).bytes(), "A");
  EXPECT_EQ(Text::from_bytes(std::string_view("\0AB", 3)).length(), 0);
  EXPECT_EQ(Text::from_bytes("abc").length(), 3);
}

// A page's bytes become a Text where they lie: the storage is taken over,
// not copied, and cut at the first zero byte in place.
TEST(TextValue, FromAByteArrayByMoveTakesItsStorage) {
  struct Row { const char* what; std::string bytes; std::size_t length; } rows[] = {
      {"no zero byte", std::string(4096, 'a'), 4096},
      {"zero byte in the middle", std::string(100, 'a') + '\0' + std::string(4000, 'b'), 100},
      {"zero byte first", '\0' + std::string(4096, 'a'), 0},
      {"zero byte last", std::string(4096, 'a') + '\0', 4096},
  };
  for (auto& r : rows) {
    ByteArray body(r.bytes);
    const unsigned char* storage = body.data();
    const Text t = Text::from_bytes(std::move(body));
    EXPECT_EQ(t.bytes(), std::string_view(r.bytes).substr(0, r.length)) << r.what;
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(t.bytes().data()), storage) << r.what;
  }
}

TEST(TextValue, RewriteInPlaceKeepsTheNoZeroRule) {
  Text t = T("abcdef");
  t.rewrite_in_place([](char* data, std::size_t size) {
    data[1] = '\0';
    return size - 1;
  });
  EXPECT_EQ(t, T("a"));
  t.rewrite_in_place([](char*, std::size_t) { return std::size_t{0}; });
  EXPECT_TRUE(t.empty());
}

TEST(TextValue, EmptyAndDefaultAreTheSameValue) {
  EXPECT_EQ(Text(), T(""));
  EXPECT_TRUE(Text().empty());
  EXPECT_NE(T("a"), T("A"));
}

TEST(TextValue, ByteAtCountsFromOneAndIsZeroOutside) {
  const Text t = T("\xB0P");
  EXPECT_EQ(t.byte_at(1), 0xB0);
  EXPECT_EQ(t.byte_at(2), 'P');
  EXPECT_EQ(t.byte_at(0), 0);
  EXPECT_EQ(t.byte_at(3), 0);
}

TEST(ByteArrayValue, HoldsZeroBytesAndComparesByLengthAndContent) {
  const ByteArray a(std::string("\0\0", 2));
  EXPECT_EQ(a.size(), 2u);
  EXPECT_NE(a, ByteArray(std::string("\0", 1)));
  EXPECT_EQ(a, ByteArray::from_view(std::string_view("\0\0", 2)));
  EXPECT_EQ(ByteArray(), ByteArray::from_view(""));
}

// A body grows piece by piece (the transport's reads): whatever the sizes,
// the bytes are those appended, zero bytes included, and the buffer stays
// zero-terminated for the Text made from it.
TEST(ByteArrayValue, GrowsByAppendingAndCopiesApart) {
  for (std::size_t piece : {1u, 7u, 1024u, 70000u}) {
    ByteArray body;
    std::string expected;
    for (int i = 0; expected.size() < 300000; ++i) {
      std::string chunk(piece, static_cast<char>('a' + i % 26));
      chunk[0] = '\0';
      body.append(chunk);
      expected += chunk;
    }
    ASSERT_EQ(body.view(), expected) << piece;
    EXPECT_EQ(body.data()[body.size()], 0) << piece;

    ByteArray copy = body;
    copy.append("x");
    EXPECT_EQ(body.view(), expected) << "a copy shares nothing";
    ByteArray moved = std::move(copy);
    EXPECT_EQ(moved.size(), expected.size() + 1);
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from ByteArray is empty
  }
  EXPECT_STREQ(Text().c_str(), "");
  EXPECT_STREQ(T("ab").c_str(), "ab");
}

TEST(TextListValue, IndexesFromOneAndGivesEmptyOutside) {
  const TextList list{T("a"), T("b")};
  EXPECT_EQ(list_count(list), 2);
  EXPECT_EQ(list.at(1), T("a"));
  EXPECT_EQ(list.at(2), T("b"));
  EXPECT_EQ(list.at(0), Text());
  EXPECT_EQ(list.at(3), Text());
}

}  // namespace
}  // namespace pindrel
