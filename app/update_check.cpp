#include "app/update_check.h"

namespace pindrel {

// Not built yet: the button is bound and the handler returns without doing
// anything.
void CheckForUpdate() {}

}  // namespace pindrel
