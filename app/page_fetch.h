// The page fetch shared by the parse action and the update check.
#pragma once

#include "foundation/text.h"

namespace pindrel {

// One plain GET of an absolute address with the default header block,
// redirections followed; the body as a Text, cut at a zero byte. A failed
// exchange gives the empty Text.
Text FetchPage(const Text& address);

}  // namespace pindrel
