// The global texts the handlers share: ParseResult, written by the parse
// action and read by the result actions, and UpdateInfo, written by the update
// check. All are empty when the program starts; each write replaces the
// former text; the exit routine releases them all.
#pragma once

#include "foundation/text.h"

namespace pindrel {

struct ParseResultTexts {
  Text videoId;   // the identifier cut from the typed address
  Text pageText;  // the mirror page in code page 936 (the manifest after an update check)
  Text title;
  Text uploader;
  Text coverUrl;
  Text mp3Url;    // "http://" + mirrorHost + the cut path
  Text mp4Url;    // "http://" + mirrorHost + the cut path
  Text assUrl;    // as cut, without prefix
  Text xmlUrl;    // "http://" + mirrorHost + the cut path
};

struct UpdateInfoTexts {
  Text latestVersion;
  Text fileSize;
  Text fileMd5;
  Text downloadUrl;
  Text releaseNotes;
};

extern ParseResultTexts ParseResult;
extern UpdateInfoTexts UpdateInfo;

// The exit routine's release of the fourteen texts: every one becomes empty.
void ReleaseGlobalTexts();

}  // namespace pindrel
