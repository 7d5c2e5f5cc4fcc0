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
