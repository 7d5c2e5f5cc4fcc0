// The marker cut used wherever a field is taken out of a page, a header block,
// a manifest or an address.
#pragma once

#include "foundation/text.h"

namespace pindrel {

// The bytes between the first `left` at or after `start` and the first `right`
// after it; empty when either is missing. "#引号" inside a marker stands for a
// double-quote byte.
//   TextBetween("k=[a][b]", "[", "]") == "a"
//   TextBetween("k=[a][b]", "[", "[") == "a]"
Text TextBetween(const Text& text, const Text& left, const Text& right, int start = 0,
                 bool ignore_case = false);

}  // namespace pindrel
