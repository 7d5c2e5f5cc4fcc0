// The forms at the font their places were drawn for, measured with the real
// widgets' font metrics on the offscreen platform: every control in a 12-pixel
// face that has the Chinese characters, the report of every demo video inside
// 编辑框_信息 without scrolling, and each caption inside its control.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest/QTest>

#include "app/cover_window.h"
#include "app/listen_window.h"
#include "app/main_window.h"
#include "app/video_page_parse.h"
#include "foundation/code_page.h"
#include "foundation/gui/runtime.h"
#include "foundation/text_primitives.h"
#include "tests/support/test_text.h"
#include "tools/standin_sites/demo_videos.h"

namespace pindrel {
namespace {

// The widest mirror address the program is built with: the demo build's,
// a loopback address with a five-digit port.
const std::string kMirror = "http://127.0.0.1:18601";

void show_and_settle(QWidget& w) {
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QCoreApplication::processEvents();
}

TEST(FormFont, EveryControlOfEveryFormUsesATwelvePixelChineseFace) {
  MainWindow main;
  CoverWindow cover;
  ListenWindow listen;
  for (QWidget* form : std::initializer_list<QWidget*>{&main, &cover, &listen}) {
    for (QWidget* w : form->findChildren<QWidget*>()) {
      SCOPED_TRACE(w->objectName().toStdString());
      const QFontInfo info(w->font());
      EXPECT_EQ(info.pixelSize(), 12);
      // The face itself draws the characters of the captions, not a fallback.
      const QFontMetrics m(w->font());
      for (char16_t c : u"解析信息视频检查更新") {
        if (c != 0) {
          EXPECT_TRUE(m.inFont(QChar(c))) << info.family().toStdString();
        }
      }
    }
  }
  // The face the set-up script installs is the one in use.
  EXPECT_EQ(QFontInfo(main.编辑框_信息->font()).family(), QStringLiteral("WenQuanYi Zen Hei Sharp"));
}

ParseResultTexts demo_result(const standin::DemoVideo& v) {
  ParseResultTexts r;
  const std::string page = standin::mirror_video_page(v, kMirror);
  r.pageText = utf8_to_local(Text::from_bytes(page));
  CutVideoFields(r.pageText, Text::from_bytes(kMirror), r);
  return r;
}

TEST(FormFont, TheReportOfEveryDemoVideoFitsTheInformationBox) {
  for (const standin::DemoVideo& v : standin::demo_videos()) {
    SCOPED_TRACE(v.id);
    MainWindow w;
    show_and_settle(w);
    QPlainTextEdit& box = *w.编辑框_信息;
    for (const Text& line : VideoReportLines(demo_result(v))) append_text(box, line);
    QCoreApplication::processEvents();

    // Nothing to scroll, so the first entry stays in sight with the caret at
    // the end: the box has no scroll bar to reach it with.
    EXPECT_EQ(box.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(box.verticalScrollBar()->value(), 0);
    QTextCursor end = box.textCursor();
    end.movePosition(QTextCursor::End);
    QTextCursor start = end;
    start.movePosition(QTextCursor::Start);
    EXPECT_GE(box.cursorRect(start).top(), 0);
    EXPECT_LE(box.cursorRect(end).bottom(), box.viewport()->height())
        << box.document()->lineCount() << " lines of " << box.fontMetrics().lineSpacing() << " px";
    // And no entry was wrapped onto a second line.
    EXPECT_EQ(box.document()->lineCount(), box.document()->blockCount());
  }
}

// The space a control leaves for its caption, as the style draws it.
QRect caption_room(QWidget& w) {
  if (auto* b = qobject_cast<QPushButton*>(&w)) {
    QStyleOptionButton o;
    o.initFrom(b);
    o.text = b->text();
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b);
  }
  if (auto* c = qobject_cast<QCheckBox*>(&w)) {
    QStyleOptionButton o;
    o.initFrom(c);
    o.text = c->text();
    return c->style()->subElementRect(QStyle::SE_CheckBoxContents, &o, c);
  }
  return w.contentsRect();
}

TEST(FormFont, EachCaptionFitsItsControl) {
  MainWindow w;
  show_and_settle(w);
  // 标签1 is left out: "—Tessaly专版" is wider than its 63 pixels in any face
  // at this size, as it is at the platform's own 9-point font.
  for (const char* name : {"解析", "选择框1", "在线试听", "下载MP3", "下载Mp4", "检查更新", "超级链接框1"}) {
    SCOPED_TRACE(name);
    QWidget* c = w.findChild<QWidget*>(QString::fromUtf8(name));
    ASSERT_NE(c, nullptr);
    const QString text = c->property("text").toString();
    ASSERT_FALSE(text.isEmpty());
    const QRect room = caption_room(*c);
    const QFontMetrics m(c->font());
    EXPECT_LE(m.horizontalAdvance(text), room.width()) << text.toStdString();
    EXPECT_LE(m.height(), room.height()) << text.toStdString();
  }
  // The address box shows the whole example address.
  const QFontMetrics m(w.编辑框_地址->font());
  EXPECT_LT(m.horizontalAdvance(w.编辑框_地址->text()), w.编辑框_地址->width() - 8);
}

}  // namespace
}  // namespace pindrel
