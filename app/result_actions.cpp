#include "app/result_actions.h"

namespace pindrel {

// Not built yet: the events are bound, and each handler returns without doing
// anything, so CoverWindow opens without a picture and the listen and copy
// buttons have no effect.
void ListenOnline() {}
void InitListenWindow() {}
void CopyMp3Link() {}
void CopyMp4Link() {}
void InitCoverWindow() {}
void SaveCover() {}

}  // namespace pindrel
