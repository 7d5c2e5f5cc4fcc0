// The handler of the parse button.
#pragma once

namespace pindrel {

// Clears the information box, parses the address in the address box, and
// either shows the failure message or appends the report; then, with the
// cover check box ticked, opens CoverWindow in dialog mode and returns only
// after it has closed.
void ParseVideoPage();

}  // namespace pindrel
