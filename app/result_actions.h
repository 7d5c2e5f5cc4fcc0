// The actions on a parse result: listening in ListenWindow, copying the MP3
// and MP4 links, and showing and saving the cover in CoverWindow. Each is the
// handler of one control event. They keep nothing of their own: everything
// they use is read from ParseResult when they run.
#pragma once

#include "foundation/text.h"

namespace pindrel {

void ListenOnline();      // 在线试听 clicked
void InitListenWindow();  // ListenWindow created
void CopyMp3Link();       // 下载MP3 clicked
void CopyMp4Link();       // 下载Mp4 clicked
void InitCoverWindow();   // CoverWindow created
void SaveCover();         // 图片 right button pressed

// The address ListenWindow's browser box loads: the player on playerHost with
// the MP3 link unescaped in its soundFile key, then the player's parameters,
// each introduced by "&amp;":
//   PlayerAddress("http://m/a.mp3") ==
//     "http://" + playerHost + "/source/js/libs/player/audioplayer.swf?soundFile=http://m/a.mp3"
//     "&amp;bg=0xeeeeee&amp;leftbg=0xADADAD ... &amp;loop=yes&amp;autostart=yes"
Text PlayerAddress(const Text& mp3Url);

}  // namespace pindrel
