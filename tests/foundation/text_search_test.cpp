// find_text and find_text_reverse: positions from 1, -1 when absent, starts
// out of range, empty subtexts, letter case, and the two-byte stepping rule.
#include <gtest/gtest.h>

#include <optional>

#include "foundation/text_primitives.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

struct SearchCase {
  const char* what;
  std::string_view text;
  std::string_view sub;
  std::optional<int> start;
  bool ignore_case;
  int expected;
};

class FindText : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FindText, GivesThePositionOfTheFirstOccurrence) {
  const auto& c = GetParam();
  EXPECT_EQ(find_text(T(c.text), T(c.sub), c.start, c.ignore_case), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, FindText, ::testing::Values(
    SearchCase{"plain", "abcabc", "c", std::nullopt, false, 3},
    SearchCase{"start inside", "abcabc", "c", 4, false, 6},
    SearchCase{"start past the end", "abcabc", "c", 7, false, -1},
    SearchCase{"start 0 counts as 1", "abcabc", "c", 0, false, 3},
    SearchCase{"negative start counts as 1", "abcabc", "c", -5, false, 3},
    SearchCase{"start on the match", "abcabc", "c", 3, false, 3},
    SearchCase{"start at the last byte", "abcabc", "c", 6, false, 6},
    SearchCase{"empty sub, start 2", "abc", "", 2, false, 1},
    SearchCase{"empty sub, start at length", "abc", "", 3, false, 1},
    SearchCase{"empty sub, start past the end", "abc", "", 4, false, -1},
    SearchCase{"empty sub in empty text", "", "", std::nullopt, false, -1},
    SearchCase{"sub in empty text", "", "a", std::nullopt, false, -1},
    SearchCase{"sub longer than text", "ab", "abc", std::nullopt, false, -1},
    SearchCase{"whole text", "abc", "abc", std::nullopt, false, 1},
    SearchCase{"case ignored", "ABC", "b", std::nullopt, true, 2},
    SearchCase{"case counts", "ABC", "b", std::nullopt, false, -1},
    SearchCase{"case ignored only for letters", "[{", "{", std::nullopt, true, 2},
    // 'P' at position 2 is the trail byte of the character B0 50.
    SearchCase{"trail byte is not a candidate", "\xB0PP", "P", std::nullopt, false, 3},
    SearchCase{"marker whose first byte is a trail byte", "\xB0<a<a", "<a", std::nullopt, false, 4},
    SearchCase{"two-byte sub found on a boundary", "a\xD6\xD0\xCE\xC4", "\xCE\xC4", std::nullopt, false, 4},
    SearchCase{"two-byte sub straddling characters", "\xD6\xD0\xCE\xC4", "\xD0\xCE", std::nullopt, false, -1},
    // A start inside a character makes that byte the first of the walk.
    SearchCase{"start on a trail byte", "\xB0PP", "P", 2, false, 2},
    SearchCase{"lone lead byte at the end", "ab\xB0", "\xB0", std::nullopt, false, 3},
    SearchCase{"sub ending in a lone lead byte", "ab\xB0", "b\xB0", std::nullopt, false, 2},
    SearchCase{"full-width space beside A1 characters", "\xA1\xA2\xA1\xA1", "\xA1\xA1", std::nullopt, false, 3},
    SearchCase{"A1A1 across two characters is no match", "\xA2\xA1\xA1\xA3", "\xA1\xA1", std::nullopt, false, -1},
    SearchCase{"trail bytes are not folded", "\x81\x41" "a", "\x81\x61", std::nullopt, true, -1},
    SearchCase{"case ignored across an ASCII run after a lead byte", "\xB0\xB0xYz", "XyZ", std::nullopt, true, 3},
    SearchCase{"long ASCII run before the match", "0123456789abcdefghijklmnopqrstuvwxyz<tail>", "<tail>", std::nullopt, false, 37}));

class FindTextReverse : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FindTextReverse, GivesTheLastOccurrenceEndingBeforeStart) {
  const auto& c = GetParam();
  EXPECT_EQ(find_text_reverse(T(c.text), T(c.sub), c.start, c.ignore_case), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, FindTextReverse, ::testing::Values(
    SearchCase{"whole text", "a.b.c", ".", std::nullopt, false, 4},
    SearchCase{"start 5", "a.b.c", ".", 5, false, 4},
    SearchCase{"start 4", "a.b.c", ".", 4, false, 2},
    SearchCase{"start 1", "a.b.c", ".", 1, false, -1},
    SearchCase{"start -1 from a failed search", "a.b.c", ".", -1, false, -1},
    SearchCase{"start far past the end", "a.b.c", ".", 99, false, 4},
    SearchCase{"match must end before start", "abab", "ab", 4, false, 1},
    SearchCase{"match ending just before start", "abab", "ab", 5, false, 3},
    SearchCase{"overlapping occurrences, last wins", "aaaa", "aa", std::nullopt, false, 3},
    SearchCase{"empty sub", "abc", "", std::nullopt, false, 1},
    SearchCase{"empty sub, start 1", "abc", "", 1, false, -1},
    SearchCase{"empty text", "", ".", std::nullopt, false, -1},
    SearchCase{"case ignored", "xAx", "a", std::nullopt, true, 2},
    SearchCase{"trail byte skipped", "P\xB0P", "P", std::nullopt, false, 1},
    SearchCase{"two-byte characters", "\xD6\xD0/\xCE\xC4/", "/", std::nullopt, false, 6}));

}  // namespace
}  // namespace pindrel
