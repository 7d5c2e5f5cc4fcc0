#include "app/result_actions.h"

#include "app/cover_window.h"
#include "app/listen_window.h"
#include "app/parse_result.h"
#include "app/site_hosts.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/gui/runtime.h"
#include "foundation/local_text.h"
#include "foundation/text_primitives.h"
#include "net/fetch_bytes.h"

namespace pindrel {

namespace {

// Every parse writes mp3Url with at least the mirror's prefix, so an empty
// one means that no parse has run since start-up; it says nothing about
// whether the last parse found a link.
bool ParseHasRun() { return compare_text(ParseResult.mp3Url, Text()) != 0; }

// After a parse: the link on the clipboard, then the message that says so.
// Before one: only the message asking for a parse; the clipboard stays.
void CopyForDownload(const Text& link) {
  if (ParseHasRun()) {
    set_clipboard_text(link);
    message_box(local_text(u8"下载信息已复制，请使用迅雷进行下载~"), kButtonsOk);
  } else {
    message_box(local_text(u8"请进行解析后再进行操作！"), kButtonsOk);
  }
}

}  // namespace

Text PlayerAddress(const Text& mp3Url) {
  // The parameters are the Flash player's own, byte for byte: "&amp;" (not a
  // bare "&") before each key and the colours in their mixed letter case.
  return concat_text(
      local_text(u8"http://"), site_hosts().playerHost,
      local_text(u8"/source/js/libs/player/audioplayer.swf?soundFile="), mp3Url,
      local_text(u8"&amp;bg=0xeeeeee&amp;leftbg=0xADADAD&amp;lefticon=0x333333&amp;rightbg=0xA3A3A3"
                 u8"&amp;rightbghover=0x6E6E6E&amp;righticon=0x030303&amp;righticonhover=0xffffff"
                 u8"&amp;text=0x666666&amp;slider=0x666666&amp;track=0xFFFFFF&amp;border=0x666666"
                 u8"&amp;loader=0x999999&amp;loop=yes&amp;autostart=yes"));
}

void ListenOnline() {
  if (!ParseHasRun()) {
    message_box(local_text(u8"请输入链接地址后再进行试听！"), kButtonsOk);
    return;
  }
  ListenWindow window;
  load_window(window);
}

void InitListenWindow() {
  ListenWindow* w = listen_window();
  if (w == nullptr) return;
  w->set_caption(concat_text(local_text(u8"正在试听："), ParseResult.title));
  w->超文本浏览框1->set_address(PlayerAddress(ParseResult.mp3Url));
}

void CopyMp3Link() {
  CopyForDownload(ParseResult.mp3Url);
  // Copied once more whichever branch ran: before any parse this leaves an
  // empty text on the clipboard.
  set_clipboard_text(ParseResult.mp3Url);
}

void CopyMp4Link() { CopyForDownload(ParseResult.mp4Url); }

void InitCoverWindow() {
  CoverWindow* w = cover_window();
  if (w == nullptr) return;
  // A cover that cannot be fetched, or bytes that no reader decodes, leave
  // the box empty without a word; the bytes are kept for a save all the same.
  w->图片->set_picture(fetch_bytes(ParseResult.coverUrl));
}

void SaveCover() {
  CoverWindow* w = cover_window();
  if (w == nullptr) return;
  if (!open_file_dialog(*w->通用对话框1)) return;
  // Exactly the fetched bytes, whatever they hold and whatever extension the
  // chosen name has. A failed write is not reported.
  write_file(w->通用对话框1->file_name, {w->图片->picture()});
}

}  // namespace pindrel
