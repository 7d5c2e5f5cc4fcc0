// Cookie collection and merge, as tables of header lines and jars.
#include "net/cookies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_text.h"

namespace pindrel {
namespace {

// A raw header block as the transport hands it over: status line, the lines,
// the empty line.
Text block(const std::vector<std::string>& lines) {
  std::string raw = "HTTP/1.1 200 OK\r\n";
  for (const std::string& line : lines) raw += line + "\r\n";
  return T(raw + "\r\n");
}

struct CollectRow {
  std::vector<std::string> lines;
  const char* cookies;
};

class Collect : public ::testing::TestWithParam<CollectRow> {};

TEST_P(Collect, TakesTheValueOfEveryCookieLine) {
  Text headers = block(GetParam().lines);
  EXPECT_EQ(CollectResponseCookies(headers), T(GetParam().cookies));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Collect,
    ::testing::Values(
        CollectRow{{"set-cookie: a=1; path=/", "SET-COOKIE: b=2", "Set-Cookie: c=3;"}, "a=1; b=2; c=3"},
        CollectRow{{"Set-Cookie: sid=abc; path=/; HttpOnly"}, "sid=abc"},
        CollectRow{{"Content-Type: text/html", "Server: x"}, ""},
        CollectRow{{}, ""},
        // The second line names Set-Cookie2, has no "Set-Cookie:" and has a ";":
        // its value is empty, so the text ends in a separator...
        CollectRow{{"Set-Cookie: a=1", "Set-Cookie2: d=4; x"}, "a=1; "},
        // ...or begins with one.
        CollectRow{{"Set-Cookie2: d=4; x", "Set-Cookie: a=1"}, "; a=1"},
        // Another header that mentions the name in its value and has no ";".
        CollectRow{{"X-Note: see Set-Cookie"}, "X-Note: see Set-Cookie"},
        // Spaces and full-width spaces around the value are trimmed; a tab is
        // not a space.
        CollectRow{{"Set-Cookie:   k=v  ", "Set-Cookie:\xA1\xA1m=n\xA1\xA1;"}, "k=v; m=n"},
        CollectRow{{"Set-Cookie:\tk=v"}, "\tk=v"}));

TEST(Collect, RespellsTheHeaderNameInTheCallersText) {
  Text headers = block({"set-cookie: a=1; path=/", "SET-COOKIE: b=2", "X-Info: sEt-CoOkIe here"});
  CollectResponseCookies(headers);
  EXPECT_EQ(headers, block({"Set-Cookie: a=1; path=/", "Set-Cookie: b=2", "X-Info: Set-Cookie here"}));
}

TEST(Collect, BlankHeaderBufferGivesNoCookies) {
  // What the exchange holds when the header query failed: 5000 spaces.
  Text headers = T(std::string(5000, ' '));
  EXPECT_EQ(CollectResponseCookies(headers), Text());
  EXPECT_EQ(headers.length(), 5000);
}

struct MergeRow {
  const char* jar;
  const char* fresh;
  const char* merged;
};

class Merge : public ::testing::TestWithParam<MergeRow> {};

TEST_P(Merge, NewCookiesFirstThenTheJarsOthers) {
  Text jar = T(GetParam().jar);
  Text fresh = T(GetParam().fresh);
  const Text result = MergeCookies(jar, fresh);
  EXPECT_EQ(result, T(GetParam().merged)) << "jar " << GetParam().jar << ", new " << GetParam().fresh;
  EXPECT_EQ(jar, result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Merge,
    ::testing::Values(
        MergeRow{"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        MergeRow{"a=1; b=2", "a=deleted", "b=2"},
        MergeRow{"a=1", "b=deleted", "a=1"},
        MergeRow{"", "", ""},
        MergeRow{"a=1", "", "a=1"},
        MergeRow{"", "x=1", "x=1"},
        MergeRow{"a=1; a=2", "b=1", "b=1; a=1"},
        MergeRow{"", "a=1; a=2", "a=1; a=2"},
        MergeRow{"a=1", "a=1; a=1", "a=1"},
        MergeRow{"a=1", "a=deleted; a=2", "a=2"},
        MergeRow{"a = 1 ; b=2", "c=3", "c=3; a=1; b=2"},
        MergeRow{"a=x y", "z=1", "z=1; a=xy"},
        MergeRow{"k; a=1", "k=2", "k=2; a=1"},
        MergeRow{"A=1", "a=2", "a=2; A=1"},
        MergeRow{"a=1;;b=2", "c=3", "c=3; a=1; ; b=2"},
        // Only the exact eight bytes "=deleted" at the end mark a deletion.
        MergeRow{"a=1", "a=DELETED", "a=DELETED"},
        MergeRow{"a=1", "a=deleted2", "a=deleted2"},
        MergeRow{"a=deleted", "b=1", "b=1"},
        // Full-width spaces are spaces too.
        MergeRow{"a=\xA1\xA1" "1", "b=2", "b=2; a=1"}));

TEST(Merge, NewCookiesLeaveWithoutSpaces) {
  Text jar = T("a=1; b=2");
  Text fresh = T("b=3; c=4");
  MergeCookies(jar, fresh);
  EXPECT_EQ(fresh, T("b=3;c=4"));
}

TEST(CookieName, TextBeforeTheFirstEqualsTrimmed) {
  struct Row {
    const char* piece;
    const char* name;
  };
  for (const Row& row : {Row{"a=1", "a"}, Row{" a =1", "a"}, Row{"k", "k"}, Row{" k ", "k"},
                         Row{"=v", ""}, Row{"", ""}, Row{"a=b=c", "a"}}) {
    EXPECT_EQ(CookieName(T(row.piece)), T(row.name)) << row.piece;
  }
}

TEST(HasCookieNamed, ExactNameMatch) {
  const TextList pieces{T("a=1"), T(" B =2"), T("k")};
  EXPECT_TRUE(HasCookieNamed(pieces, T("a")));
  EXPECT_TRUE(HasCookieNamed(pieces, T("B")));
  EXPECT_FALSE(HasCookieNamed(pieces, T("b")));
  EXPECT_TRUE(HasCookieNamed(pieces, T("k")));
  EXPECT_FALSE(HasCookieNamed(pieces, T("a=1")));
  EXPECT_FALSE(HasCookieNamed(TextList{}, T("")));
}

TEST(RemoveDuplicatePieces, KeepsFirstOccurrences) {
  struct Row {
    const char* text;
    const char* delimiter;
    const char* result;
  };
  for (const Row& row : {Row{"", "; ", ""}, Row{"a=1; b=2; a=1", "; ", "a=1; b=2"},
                         Row{"a; A; a", "; ", "a; A"}, Row{"x,y,x,", ",", "x,y"},
                         Row{"a; ; ; b", "; ", "a; ; b"}, Row{"abc", "", "abc"}}) {
    EXPECT_EQ(RemoveDuplicatePieces(T(row.text), T(row.delimiter)), T(row.result))
        << row.text << " by " << row.delimiter;
  }
}

TEST(IndexOfText, FirstEqualElement) {
  const TextList list{T("a"), T("b"), T("a"), T("")};
  EXPECT_EQ(IndexOfText(list, T("a")), 1);
  EXPECT_EQ(IndexOfText(list, T("b")), 2);
  EXPECT_EQ(IndexOfText(list, T("")), 4);
  EXPECT_EQ(IndexOfText(list, T("A")), -1);
  EXPECT_EQ(IndexOfText(TextList{}, T("a")), -1);
}

}  // namespace
}  // namespace pindrel
