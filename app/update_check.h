// The update check behind the 检查更新 button.
#pragma once

namespace pindrel {

void CheckForUpdate();  // 检查更新 clicked

}  // namespace pindrel
