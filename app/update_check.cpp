#include "app/update_check.h"

#include "app/page_fetch.h"
#include "app/parse_result.h"
#include "app/site_hosts.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/gui/runtime.h"
#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"

namespace pindrel {

namespace {

// A field's value runs from the byte after its label to the first terminator
// after it: untrimmed, line breaks kept; a missing label or terminator gives
// the empty text. Every label is looked for from the start of the manifest.
Text ManifestField(const char8_t* label) {
  return TextBetween(ParseResult.pageText, local_text(label), local_text(u8"【korlan】"));
}

Text UpdatePrompt() {
  return concat_text(local_text(u8"【友情提醒】：本软件有最新新版本，请前往下载！\r\n\r\n文件名称："), ParseResult.title,
                     local_text(u8"\r\n文件版本："), UpdateInfo.latestVersion, local_text(u8"\r\n文件大小："),
                     UpdateInfo.fileSize, local_text(u8"\r\n文件MD5："), UpdateInfo.fileMd5,
                     local_text(u8"\r\n\r\n最新版本特性：\r\n"), UpdateInfo.releaseNotes);
}

}  // namespace

Text CurrentVersion() { return local_text(u8"1.0"); }

Text ManifestAddress() {
  return concat_text(local_text(u8"http://"), site_hosts().makerHost, local_text(u8"/api/qelvo.txt"));
}

Text UpdateErrorPageAddress() {
  return concat_text(local_text(u8"http://"), site_hosts().makerHost, local_text(u8"/?api_error"));
}

void CheckForUpdate() {
  // The manifest is used as fetched, in the program's own code page: one
  // saved as UTF-8 matches none of the labels and takes the failure path.
  ParseResult.pageText = FetchPage(ManifestAddress());
  UpdateInfo.latestVersion = ManifestField(u8"[文件版本]：");
  ParseResult.title = ManifestField(u8"[文件名称]：");
  UpdateInfo.fileSize = ManifestField(u8"[文件大小]：");
  UpdateInfo.fileMd5 = ManifestField(u8"[文件MD5]：");
  UpdateInfo.downloadUrl = ManifestField(u8"[下载地址]：");
  UpdateInfo.releaseNotes = ManifestField(u8"[更新说明]：");

  if (UpdateInfo.latestVersion.empty()) {
    message_box(local_text(u8"检查更新失败，可能是端口发生故障！请稍后再试~或将问题反馈到官网！"), kButtonsOk);
    open_address(UpdateErrorPageAddress());
    return;
  }
  // Equality, not order: any other text, "0.9", "1.00" or " 1.0", counts as
  // a newer version.
  if (compare_text(UpdateInfo.latestVersion, CurrentVersion()) == 0) {
    message_box(local_text(u8"恭喜您，您使用的版本为最新版本！"), kButtonsOk);
    return;
  }
  if (message_box(UpdatePrompt(), kButtonsYesNo, local_text(u8"问题")) == kResultYes)
    open_address(UpdateInfo.downloadUrl);
}

}  // namespace pindrel
