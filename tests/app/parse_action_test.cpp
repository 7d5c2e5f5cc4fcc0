// The parse button against the stand-in mirror on loopback: the fields of
// ParseResult and the information box byte for byte for each demo video, the
// failure message, the box cleared by every press, and CoverWindow opened in
// dialog mode when the check box is ticked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/cover_window.h"
#include "app/main_window.h"
#include "app/parse_action.h"
#include "app/parse_result.h"
#include "app/video_page_parse.h"
#include "desktop_double.h"
#include "main_window_fixture.h"
#include "foundation/gui/runtime.h"
#include "foundation/text_primitives.h"
#include "standin_fixture.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

using testing::DesktopDouble;

const std::u8string_view kFailure = u8"亲，地址错误或者暂不支持解析喔~ 请仔细检查一下喔~";

Text report(const ParseResultTexts& r) {
  return concat_text(L(u8"\r\n视频名称："), r.title, L(u8"\r\n"), L(u8"\r\nUp主："), r.uploader, L(u8"\r\n"),
                     L(u8"\r\n封面："), r.coverUrl, L(u8"\r\n"), L(u8"\r\nMp3下载："), r.mp3Url, L(u8"\r\n"),
                     L(u8"\r\nMp4下载："), r.mp4Url, L(u8"\r\n"), L(u8"\r\nAss弹幕下载："), r.assUrl, L(u8"\r\n"),
                     L(u8"\r\nXML弹幕下载："), r.xmlUrl, L(u8"\r\n"),
                     L(u8"\r\n温馨提醒：推荐使用迅雷进行下载，感谢Sorvek提供的端口！\r\n"));
}

// Counts the CoverWindows that are shown, and runs a script while one is open.
class CoverWatch : public QObject {
 public:
  CoverWatch() { qApp->installEventFilter(this); }
  ~CoverWatch() override { qApp->removeEventFilter(this); }

  int shown = 0;
  bool main_disabled_while_open = false;
  Text caption_while_open;
  bool close_it = true;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && qobject_cast<CoverWindow*>(o) != nullptr) {
      auto* cover = static_cast<CoverWindow*>(o);
      ++shown;
      QTimer::singleShot(0, cover, [this, cover] {
        main_disabled_while_open = main_window() != nullptr && !main_window()->isEnabled();
        caption_while_open = cover->caption();
        if (close_it) cover->close();
      });
    }
    return false;
  }
};

// MainWindow over the stand-in sites; parse() here takes a whole address and
// the state of the cover check box.
class ParseAction : public testing::MainWindowTest {
 protected:
  // Types the address and presses 解析, as the user does.
  void parse(const Text& address, bool show_cover = false) {
    set_edit_text(*window->编辑框_地址, address);
    window->选择框1->setChecked(show_cover);
    window->解析->click();
  }
  Text info() const { return edit_text(*window->编辑框_信息); }
};

struct DemoRow {
  const char* id;
  std::u8string_view title;
  std::u8string_view uploader;
  const char* cover;  // mirror path, "" for none
  const char* mp4;    // mirror path after the prefix
  const char* ass;    // mirror path of the absolute ASS link, "" for an empty link
  const char* xml;    // mirror path after the prefix
};

TEST_F(ParseAction, EachDemoVideoFillsParseResultAndTheReport) {
  const DemoRow rows[] = {
      // every field present, JPEG cover
      {"av1917648", u8"【MMD】夏日祭的烟火 ～Vantoro示例～", u8"星野小夜", "/cover/av1917648.jpg",
       "/mp4/av1917648.mp4", "/ass/av1917648.ass", "/xml/av1917648.xml"},
      // no uploader tag and no MP4 block: empty uploader, bare MP4 prefix
      {"av2000001", u8"没有上传者的示例视频", u8"", "/cover/av2000001.png", "", "/ass/av2000001.ass",
       "/xml/av2000001.xml"},
      // empty comment links: the ASS link stays empty, the XML link is the bare prefix
      {"av2000003", u8"弹幕链接为空的示例", u8"空弹幕", "/cover/av2000003.png", "/mp4/av2000003.mp4", "", ""},
  };
  for (const DemoRow& r : rows) {
    SCOPED_TRACE(r.id);
    const std::string id = r.id;
    parse(video_page(id + "/"));

    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(ParseResult.videoId, Text::from_bytes(id));
    EXPECT_EQ(ParseResult.title, L(r.title));
    EXPECT_EQ(ParseResult.uploader, L(r.uploader));
    EXPECT_EQ(ParseResult.coverUrl, mirror(r.cover));
    EXPECT_EQ(ParseResult.mp3Url, mirror("/mp3/" + id + ".mp3"));
    EXPECT_EQ(ParseResult.mp4Url, mirror(r.mp4));
    EXPECT_EQ(ParseResult.assUrl, std::string_view(r.ass).empty() ? Text() : mirror(r.ass));
    EXPECT_EQ(ParseResult.xmlUrl, mirror(r.xml));
    EXPECT_EQ(info(), report(ParseResult));

    // The page was fetched from the mirror at "/video/<id>", with no slash after it.
    const auto requests = sites.mirror().requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().request_line, "GET /video/" + id + " HTTP/1.1");
    // The page text is the whole mirror page in code page 936.
    EXPECT_NE(find_text(ParseResult.pageText, L(u8"<p class='Footer'>Sorvek 镜像站")), -1);
  }
}

TEST_F(ParseAction, ReportOfTheCompleteVideoByteForByte) {
  parse(video_page("av1917648/"));
  const std::string m = "http://" + sites.mirror_host();
  const Text expected = concat_text(
      L(u8"\r\n视频名称：【MMD】夏日祭的烟火 ～Vantoro示例～\r\n\r\nUp主：星野小夜\r\n\r\n封面："),
      Text::from_bytes(m + "/cover/av1917648.jpg\r\n\r\n"), L(u8"Mp3下载："),
      Text::from_bytes(m + "/mp3/av1917648.mp3\r\n\r\n"), L(u8"Mp4下载："),
      Text::from_bytes(m + "/mp4/av1917648.mp4\r\n\r\n"), L(u8"Ass弹幕下载："),
      Text::from_bytes(m + "/ass/av1917648.ass\r\n\r\n"), L(u8"XML弹幕下载："),
      Text::from_bytes(m + "/xml/av1917648.xml\r\n"),
      L(u8"\r\n温馨提醒：推荐使用迅雷进行下载，感谢Sorvek提供的端口！\r\n"));
  EXPECT_EQ(info(), expected);
}

TEST_F(ParseAction, FailuresShowTheOneMessageAndLeaveTheBoxEmpty) {
  struct Row {
    const char* what;
    Text address;
    const char* mirror_request;  // what the mirror was asked for
  } rows[] = {
      {"another host", Text::from_bytes("http://www.other.example/video/av1917648/"), "GET /video/ HTTP/1.1"},
      {"no closing slash", video_page("av1917648"), "GET /video/ HTTP/1.1"},
      {"upper-case scheme", Text::from_bytes("HTTP://" + sites.video_site_host() + "/video/av1917648/"),
       "GET /video/ HTTP/1.1"},
      {"page with LF-only line ends", video_page("av2000002/"), "GET /video/av2000002 HTTP/1.1"},
      {"unknown video", video_page("av9999999/"), "GET /video/av9999999 HTTP/1.1"},
  };
  CoverWatch watch;  // closes a cover window that should not have opened
  for (Row& r : rows) {
    SCOPED_TRACE(r.what);
    desktop.messages.clear();
    sites.mirror().clear_requests();
    set_edit_text(*window->编辑框_信息, Text::from_bytes("typed by the user"));
    parse(r.address, /*show_cover=*/true);

    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L(kFailure));
    EXPECT_EQ(desktop.messages[0].buttons, 0);
    EXPECT_EQ(desktop.messages[0].caption, L(u8"信息："));
    EXPECT_EQ(info(), Text());
    EXPECT_TRUE(ParseResult.title.empty());
    // The fields were all written: the three prefixed links hold at least the prefix.
    EXPECT_EQ(text_left(ParseResult.mp3Url, text_length(mirror(""))), mirror(""));
    EXPECT_EQ(text_left(ParseResult.xmlUrl, text_length(mirror(""))), mirror(""));
    const auto requests = sites.mirror().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].request_line, r.mirror_request);
  }
  EXPECT_EQ(watch.shown, 0);
}

TEST_F(ParseAction, LfOnlyPageKeepsTheFieldsItFoundAndAnEmptyTitle) {
  parse(video_page("av2000002/"));
  EXPECT_TRUE(ParseResult.title.empty());
  EXPECT_TRUE(ParseResult.uploader.empty());
  EXPECT_TRUE(ParseResult.coverUrl.empty());
  EXPECT_EQ(ParseResult.mp3Url, mirror("/mp3/av2000002.mp3"));
  EXPECT_EQ(ParseResult.mp4Url, mirror("/mp4/av2000002.mp4"));
}

TEST_F(ParseAction, MirrorDownGivesTheFailureAndBarePrefixes) {
  const Text prefix = mirror("");
  const Text address = video_page("av1917648/");
  sites.stop();
  parse(address);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, L(kFailure));
  EXPECT_TRUE(ParseResult.pageText.empty());
  EXPECT_EQ(ParseResult.mp3Url, prefix);
  EXPECT_EQ(ParseResult.mp4Url, prefix);
  EXPECT_EQ(ParseResult.xmlUrl, prefix);
  EXPECT_TRUE(ParseResult.assUrl.empty());
}

TEST_F(ParseAction, EveryPressClearsTheInfoBoxFirst) {
  parse(video_page("av1917648/"));
  const Text first = info();
  ASSERT_FALSE(first.empty());
  append_text(*window->编辑框_信息, L(u8"用户输入的文字"));

  parse(video_page("av2000003/"));
  EXPECT_EQ(info(), report(ParseResult));
  EXPECT_EQ(find_text(info(), L(u8"用户输入的文字")), -1);
  EXPECT_EQ(find_text(info(), L(u8"星野小夜")), -1);

  parse(video_page("av2000002/"));  // a failed parse leaves it empty
  EXPECT_EQ(info(), Text());
}

TEST_F(ParseAction, TickedCheckBoxOpensCoverWindowInDialogModeUntilItCloses) {
  CoverWatch watch;
  parse(video_page("av1917648/"), /*show_cover=*/true);
  // The press returned only after the cover window had been shown and closed.
  EXPECT_EQ(watch.shown, 1);
  EXPECT_TRUE(watch.main_disabled_while_open);
  EXPECT_EQ(watch.caption_while_open,
            L(u8"封面展示 - [Korlan]Tessaly专版 论坛.test [ 小贴士：右击图片即可保存到本地喔！]"));
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(info(), report(ParseResult));
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<CoverWindow*>(w), nullptr);

  // Each opening creates the window anew.
  parse(video_page("av2000001/"), /*show_cover=*/true);
  EXPECT_EQ(watch.shown, 2);
}

TEST_F(ParseAction, ClearedCheckBoxEndsAfterTheReport) {
  CoverWatch watch;
  parse(video_page("av1917648/"), /*show_cover=*/false);
  QApplication::processEvents();
  EXPECT_EQ(watch.shown, 0);
  EXPECT_EQ(info(), report(ParseResult));
}

TEST_F(ParseAction, FailedParseOpensNoCoverWindow) {
  CoverWatch watch;
  parse(video_page("av2000002/"), /*show_cover=*/true);
  QApplication::processEvents();
  EXPECT_EQ(watch.shown, 0);
}

TEST_F(ParseAction, StartsWithTheExampleAddressAndTheCoverTicked) {
  // Pressing 解析 at once parses the example video and opens the cover window.
  CoverWatch watch;
  window = std::make_unique<MainWindow>();
  window->show();
  window->解析->click();
  EXPECT_EQ(ParseResult.videoId, Text::from_bytes("av1917648"));
  EXPECT_EQ(ParseResult.title, L(u8"【MMD】夏日祭的烟火 ～Vantoro示例～"));
  EXPECT_EQ(watch.shown, 1);
}

TEST_F(ParseAction, NoWindowNoParse) {
  window.reset();
  ParseVideoPage();  // the handler needs its window; without one it does nothing
  EXPECT_TRUE(sites.mirror().requests().empty());
  EXPECT_TRUE(ParseResult.videoId.empty());
}

}  // namespace
}  // namespace pindrel
