// The marker cut: nearest right marker after the left one, "#引号" for a quote.
#include <gtest/gtest.h>

#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

TEST(TextBetween, Table) {
  struct Row { const char* what; std::string_view text, left, right; std::string_view expected; } rows[] = {
      {"first pair", "k=[a][b]", "[", "]", "a"},
      {"left missing", "k=[a][b]", "(", "]", ""},
      {"right only before left", "k=[a][b]", "=", "k", ""},
      {"same marker twice", "k=[a][b]", "[", "[", "a]"},
      {"markers adjacent", "k=[]", "[", "]", ""},
      {"empty left starts at the first byte", "abc]", "", "]", "abc"},
      {"empty right gives nothing after the left", "k=[a]", "[", "", ""},
      {"right missing", "k=[a", "[", "]", ""},
      {"empty text", "", "[", "]", ""},
      {"left at the very end", "abc[", "[", "]", ""},
      {"CR marker without LF", "<h1>t\r\n", "<h1>", "\r", "t"},
      {"two-byte field", "t=\xD6\xD0\xCE\xC4;", "t=", ";", "\xD6\xD0\xCE\xC4"},
      // The ';' inside B0 3B is a trail byte, so the cut runs to the real ';'.
      {"right marker as a trail byte", "t=\xB0;x;", "t=", ";", "\xB0;x"},
      {"real quotes pass unchanged", "x=\"1\"", "x=\"", "\"", "1"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(TextBetween(T(r.text), T(r.left), T(r.right)), T(r.expected)) << r.what;
}

TEST(TextBetween, QuoteWordStandsForADoubleQuote) {
  const Text quote_word = local_text(u8"#引号");
  ASSERT_EQ(quote_word, T("#\xD2\xFD\xBA\xC5"));
  const Text page = T("<a x=\"1\" y=\"2\">");
  EXPECT_EQ(TextBetween(page, concat_text(T("x="), quote_word), quote_word), T("1"));
  EXPECT_EQ(TextBetween(page, concat_text(T("y="), quote_word), quote_word), T("2"));
  // The quote word itself in the text is not a marker any more.
  EXPECT_EQ(TextBetween(concat_text(T("a"), quote_word, T("b\"c")), T("b"), quote_word), Text());
}

TEST(TextBetween, StartAndLetterCase) {
  const Text t = T("<A>1</A><a>2</a>");
  EXPECT_EQ(TextBetween(t, T("<a>"), T("</a>")), T("2"));
  EXPECT_EQ(TextBetween(t, T("<a>"), T("</a>"), 0, true), T("1"));
  EXPECT_EQ(TextBetween(t, T("<A>"), T("<"), 2), Text());   // left searched from 2 on
  EXPECT_EQ(TextBetween(t, T(">"), T("<"), 3), T("1"));
  EXPECT_EQ(TextBetween(t, T(">"), T("<"), 4), Text());  // next ">" is the one of "</A>"
}

}  // namespace
}  // namespace pindrel
