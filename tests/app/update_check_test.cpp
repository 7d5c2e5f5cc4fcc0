// The update check against the stand-in maker site on loopback: for each
// manifest it serves, the exact message or prompt, the addresses handed to
// the desktop (or refused), UpdateInfo and the two ParseResult fields the
// check overwrites.
#include <gtest/gtest.h>

#include <QPushButton>

#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/update_check.h"
#include "main_window_fixture.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/text_primitives.h"
#include "tests/support/test_text.h"
#include "tools/standin_sites/site_pages.h"

namespace pindrel {
namespace {


const std::u8string_view kFailed = u8"检查更新失败，可能是端口发生故障！请稍后再试~或将问题反馈到官网！";
const std::u8string_view kLatest = u8"恭喜您，您使用的版本为最新版本！";

// The prompt for the stand-in's manifests, whose size, digest and notes are
// the same in each.
Text prompt_for(std::u8string_view file_name, std::u8string_view version) {
  return concat_text(L(u8"【友情提醒】：本软件有最新新版本，请前往下载！\r\n\r\n文件名称："), L(file_name),
                     L(u8"\r\n文件版本："), L(version),
                     L(u8"\r\n文件大小：1.26 MB\r\n文件MD5：9e107d9d372bb6826bd81d3542a419d6\r\n\r\n"
                       u8"最新版本特性：\r\n1. 支持更多视频页面\r\n2. 修正封面保存"));
}

class UpdateCheck : public testing::MainWindowTest {
 protected:
  Text maker(const std::string& path) const { return Text::from_bytes("http://" + sites.maker_host() + path); }
  void press() { window->检查更新->click(); }
};

TEST_F(UpdateCheck, EachManifestTakesItsPath) {
  enum class Shown { Failed, Latest, Prompt };
  struct Row {
    const char* manifest;
    int answer;                 // to the prompt; ignored by the one-button messages
    Shown shown;
    std::u8string_view title;   // ParseResult.title after the check
    std::u8string_view version; // UpdateInfo.latestVersion
    std::string opened;         // maker path handed to the desktop, "" for nothing
  } rows[] = {
      {"newer", kResultYes, Shown::Prompt, u8"Pindrel视频解析 1.1", u8"1.1", "/download/pindrel-1.1.zip"},
      {"newer", kResultNo, Shown::Prompt, u8"Pindrel视频解析 1.1", u8"1.1", ""},
      {"same", kResultYes, Shown::Latest, u8"Pindrel视频解析 1.0", u8"1.0", ""},
      // a failed check opens the site's error page
      {"no-version", kResultYes, Shown::Failed, u8"Pindrel视频解析 1.1", u8"", "/?api_error"},
      // UTF-8 bytes match none of the code page 936 labels
      {"utf8", kResultYes, Shown::Failed, u8"", u8"", "/?api_error"},
      // Yes on a "file:" download address: not handed to the desktop
      {"not-http", kResultYes, Shown::Prompt, u8"Pindrel视频解析 1.2", u8"1.2", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.manifest) + (r.answer == kResultYes ? " yes" : " no"));
    ASSERT_TRUE(sites.use_manifest(r.manifest));
    desktop.messages.clear();
    desktop.opened.clear();
    desktop.answers = {r.answer};
    sites.maker().clear_requests();
    press();

    ASSERT_EQ(desktop.messages.size(), 1u);
    const testing::ShownMessage& m = desktop.messages[0];
    switch (r.shown) {
      case Shown::Failed:
        EXPECT_EQ(m.text, L(kFailed));
        EXPECT_EQ(m.buttons, 0);
        EXPECT_EQ(m.caption, L(u8"信息："));
        break;
      case Shown::Latest:
        EXPECT_EQ(m.text, L(kLatest));
        EXPECT_EQ(m.buttons, 0);
        EXPECT_EQ(m.caption, L(u8"信息："));
        break;
      case Shown::Prompt:
        EXPECT_EQ(m.text, prompt_for(r.title, r.version));
        EXPECT_EQ(m.buttons, 4);
        EXPECT_EQ(m.caption, L(u8"问题"));
        break;
    }
    EXPECT_EQ(desktop.opened, r.opened.empty() ? std::vector<Text>{} : std::vector<Text>{maker(r.opened)});
    EXPECT_EQ(ParseResult.title, L(r.title));
    EXPECT_EQ(UpdateInfo.latestVersion, L(r.version));

    // One plain GET of the manifest; the check itself fetches nothing else.
    const auto requests = sites.maker().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line, "GET /api/qelvo.txt HTTP/1.1");
  }
}

TEST_F(UpdateCheck, FieldsAreStoredAsCutAndTheManifestAsFetched) {
  sites.use_manifest("newer");
  ParseResult.mp3Url = Text::from_bytes("http://mirror.test/mp3/a.mp3");
  desktop.answers = {kResultNo};
  press();
  const Text manifest = bytes_to_text(ByteArray(standin::update_manifest("newer", "http://" + sites.maker_host())));
  EXPECT_EQ(ParseResult.pageText, manifest);
  EXPECT_EQ(ParseResult.title, L(u8"Pindrel视频解析 1.1"));
  EXPECT_EQ(UpdateInfo.latestVersion, Text::from_bytes("1.1"));
  EXPECT_EQ(UpdateInfo.fileSize, Text::from_bytes("1.26 MB"));
  EXPECT_EQ(UpdateInfo.fileMd5, Text::from_bytes("9e107d9d372bb6826bd81d3542a419d6"));
  EXPECT_EQ(UpdateInfo.downloadUrl, maker("/download/pindrel-1.1.zip"));
  EXPECT_EQ(UpdateInfo.releaseNotes, L(u8"1. 支持更多视频页面\r\n2. 修正封面保存"));
  // The rest of the parse result is not the check's.
  EXPECT_EQ(ParseResult.mp3Url, Text::from_bytes("http://mirror.test/mp3/a.mp3"));
}

TEST_F(UpdateCheck, OnlyExactly10IsTheLatest) {
  struct Row {
    const char* version;
    bool latest;
  } rows[] = {{"1.0", true}, {"1.1", false}, {"0.9", false}, {"1.00", false}, {" 1.0", false}, {"1.0 ", false},
              {"1.0\r\n", false}, {"V1.0", false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.version);
    // Only the version: the prompt shows its other lines empty.
    sites.set_manifest(std::string(concat_text(L(u8"[文件版本]："), Text::from_bytes(r.version), L(u8"【korlan】")).bytes()));
    desktop.messages.clear();
    desktop.opened.clear();
    desktop.answers = {kResultYes};
    press();
    ASSERT_EQ(desktop.messages.size(), 1u);
    if (r.latest) {
      EXPECT_EQ(desktop.messages[0].text, L(kLatest));
    } else {
      EXPECT_EQ(desktop.messages[0].text,
                concat_text(L(u8"【友情提醒】：本软件有最新新版本，请前往下载！\r\n\r\n文件名称：\r\n文件版本："),
                            Text::from_bytes(r.version),
                            L(u8"\r\n文件大小：\r\n文件MD5：\r\n\r\n最新版本特性：\r\n")));
      EXPECT_EQ(desktop.messages[0].caption, L(u8"问题"));
    }
    // Yes with no download address: the empty address is not opened.
    EXPECT_TRUE(desktop.opened.empty());
  }
}

TEST_F(UpdateCheck, CuttingFollowsTheLabelsAndTheirTerminator) {
  struct Row {
    const char* what;
    std::u8string_view manifest;
    std::u8string_view version, file_name, download;
  } rows[] = {
      {"fields in any order, text around them ignored",
       u8"头\r\n[下载地址]：http://d.test/x.zip【korlan】\r\n[文件名称]：新版【korlan】[文件版本]：2.0【korlan】尾", u8"2.0",
       u8"新版", u8"http://d.test/x.zip"},
      {"only the first occurrence of a label counts",
       u8"[文件版本]：3.0【korlan】[文件版本]：1.0【korlan】", u8"3.0", u8"", u8""},
      {"a value keeps its spaces and line breaks", u8"[文件版本]： 4.0\r\n【korlan】[文件名称]：a\r\nb【korlan】",
       u8" 4.0\r\n", u8"a\r\nb", u8""},
      {"a label in another letter case is not found", u8"[文件版本]：5.0【korlan】[文件md5]：x【korlan】", u8"5.0",
       u8"", u8""},
      {"a field without its terminator is empty", u8"[文件版本]：6.0【korlan】[文件名称]：unterminated【KORLAN】",
       u8"6.0", u8"", u8""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    sites.set_manifest(std::string(L(r.manifest).bytes()));
    desktop.answers = {kResultNo};
    press();
    EXPECT_EQ(UpdateInfo.latestVersion, L(r.version));
    EXPECT_EQ(ParseResult.title, L(r.file_name));
    EXPECT_EQ(UpdateInfo.downloadUrl, L(r.download));
  }
}

TEST_F(UpdateCheck, AnUnknownManifestNameKeepsTheFormerOne) {
  ASSERT_TRUE(sites.use_manifest("same"));
  EXPECT_FALSE(sites.use_manifest("newest"));
  EXPECT_FALSE(sites.use_manifest(""));
  press();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, L(kLatest));
}

TEST_F(UpdateCheck, MakerSiteDownIsAFailedCheck) {
  const Text error_page = maker("/?api_error");
  ParseResult.title = L(u8"上次解析的标题");
  sites.stop();
  press();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, L(kFailed));
  EXPECT_EQ(desktop.opened, std::vector<Text>{error_page});
  EXPECT_TRUE(ParseResult.pageText.empty());
  EXPECT_TRUE(ParseResult.title.empty());
}

}  // namespace
}  // namespace pindrel
