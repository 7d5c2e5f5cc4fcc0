// The update check behind the 检查更新 button. It fetches the maker's
// manifest, a code page 936 text of six labelled fields each ended by
// "【korlan】", for example
//   [文件版本]：1.1【korlan】
//   [文件名称]：Pindrel视频解析 1.1【korlan】
//   [文件大小]：1.26 MB【korlan】 ...
// and compares its version with the program's own "1.0", byte for byte.
// The fields go into UpdateInfo; the manifest text and its file name replace
// pageText and title of ParseResult.
#pragma once

#include "foundation/text.h"

namespace pindrel {

void CheckForUpdate();  // 检查更新 clicked

// "1.0": the version MainWindow's caption shows.
Text CurrentVersion();
// "http://" + makerHost + "/api/qelvo.txt"
Text ManifestAddress();
// "http://" + makerHost + "/?api_error", opened after a failed check.
Text UpdateErrorPageAddress();

}  // namespace pindrel
