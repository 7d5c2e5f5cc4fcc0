// The actions on a parse result: listening in ListenWindow, copying the MP3
// and MP4 links, and showing and saving the cover in CoverWindow. Each is the
// handler of one control event.
#pragma once

namespace pindrel {

void ListenOnline();      // 在线试听 clicked
void InitListenWindow();  // ListenWindow created
void CopyMp3Link();       // 下载MP3 clicked
void CopyMp4Link();       // 下载Mp4 clicked
void InitCoverWindow();   // CoverWindow created
void SaveCover();         // 图片 right button pressed

}  // namespace pindrel
