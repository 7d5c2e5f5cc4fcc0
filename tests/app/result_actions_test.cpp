// The copy actions, the listen button before any parse, and CoverWindow with
// its save, against the stand-in mirror on loopback: every message and its
// trigger, what each copy leaves on the clipboard before a parse, after one
// and after a failed one, the cover shown in each picture format, and the
// saved file byte for byte.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "app/cover_window.h"
#include "app/listen_window.h"
#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/result_actions.h"
#include "main_window_fixture.h"
#include "file_size_limit.h"
#include "foundation/gui/gui_text.h"
#include "foundation/gui/runtime.h"
#include "tests/support/test_text.h"
#include "tools/standin_sites/demo_media.h"
#include "window_script.h"

namespace pindrel {
namespace {

using testing::WhileOpen;

const std::u8string_view kCopied = u8"下载信息已复制，请使用迅雷进行下载~";
const std::u8string_view kParseFirst = u8"请进行解析后再进行操作！";
const std::u8string_view kListenFirst = u8"请输入链接地址后再进行试听！";

ByteArray bytes_of(const QByteArray& a) {
  return ByteArray::from_view(std::string_view(a.constData(), static_cast<std::size_t>(a.size())));
}

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class ResultActions : public testing::MainWindowTest {
 protected:
  // A parse, with what it showed and copied forgotten.
  void parse(const std::string& id_and_rest) {
    MainWindowTest::parse(id_and_rest);
    desktop.messages.clear();
    desktop.clipboard.clear();
  }

  std::vector<Text> message_texts() const {
    std::vector<Text> t;
    for (const auto& m : desktop.messages) {
      EXPECT_EQ(m.buttons, 0);
      EXPECT_EQ(m.caption, L(u8"信息："));
      t.push_back(m.text);
    }
    return t;
  }
};

TEST_F(ResultActions, BeforeAnyParseEachButtonAsksForOne) {
  struct Row {
    const char* button;
    std::u8string_view message;
    std::vector<Text> clipboard;  // the writes, in order
  } rows[] = {
      // the second copy of the MP3 handler still runs: an empty text replaces the clipboard
      {"下载MP3", kParseFirst, {Text()}},
      // the MP4 handler leaves the clipboard alone
      {"下载Mp4", kParseFirst, {}},
      {"在线试听", kListenFirst, {}},
  };
  WhileOpen<ListenWindow> listen;  // closes a ListenWindow that should not open
  for (const Row& r : rows) {
    SCOPED_TRACE(r.button);
    desktop.messages.clear();
    desktop.clipboard.clear();
    window->findChild<QPushButton*>(QString::fromUtf8(r.button))->click();
    EXPECT_EQ(message_texts(), std::vector<Text>{L(r.message)});
    EXPECT_EQ(desktop.clipboard, r.clipboard);
  }
  EXPECT_EQ(listen.shown, 0);
  EXPECT_TRUE(sites.mirror().requests().empty());
}

TEST_F(ResultActions, CopiesPutTheLinksOnTheClipboardAfterAParse) {
  struct Row {
    const char* what;
    std::string parsed;      // typed after the video-page prefix
    std::string mp3, mp4;    // mirror paths after the prefix
  } rows[] = {
      {"complete video", "av1917648/", "/mp3/av1917648.mp3", "/mp4/av1917648.mp4"},
      // no MP4 block: the bare prefix is copied and reported as copied
      {"no MP4 block", "av2000001/", "/mp3/av2000001.mp3", ""},
      // a failed parse (no such video): both links are the bare prefix
      {"failed parse", "av9999999/", "", ""},
      // the mirror's address with no id: failed as well
      {"no id", "", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    parse(r.parsed);

    window->下载MP3->click();
    EXPECT_EQ(message_texts(), std::vector<Text>{L(kCopied)});
    // The same link twice: once before the message, once after it.
    EXPECT_EQ(desktop.clipboard, (std::vector<Text>{mirror(r.mp3), mirror(r.mp3)}));

    desktop.messages.clear();
    desktop.clipboard.clear();
    window->下载Mp4->click();
    EXPECT_EQ(message_texts(), std::vector<Text>{L(kCopied)});
    EXPECT_EQ(desktop.clipboard, std::vector<Text>{mirror(r.mp4)});
  }
}

TEST_F(ResultActions, TheClipboardHoldsTheLinkWhileTheMessageIsShown) {
  parse("av1917648/");
  std::vector<std::size_t> writes_when_shown;
  desktop.on_message = [&] { writes_when_shown.push_back(desktop.clipboard.size()); };
  window->下载MP3->click();
  window->下载Mp4->click();
  // The MP3 link was on the clipboard before its message (1 write), the MP4
  // link before its own (2 MP3 writes + 1).
  EXPECT_EQ(writes_when_shown, (std::vector<std::size_t>{1, 3}));
}

// CoverWindow as the parse action opens it, with a script run while it is open.
class CoverActions : public ResultActions {
 protected:
  // Opens CoverWindow in dialog mode for the cover at `address`, as the parse
  // action does, and runs `script` while it is open.
  void open_cover(const Text& address, std::function<void(CoverWindow&)> script) {
    ParseResult.coverUrl = address;
    WhileOpen<CoverWindow> open(std::move(script));
    CoverWindow cover;
    load_window(cover);
    EXPECT_EQ(open.shown, 1);
  }
  // Right-clicks the picture, answering the save dialog with `name`.
  void save_as(CoverWindow& w, const QString& name) {
    desktop.dialog_answer = from_qstring(name);
    desktop.dialogs.clear();
    QTest::mousePress(w.图片, Qt::RightButton);
    ASSERT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_EQ(desktop.dialogs[0], w.通用对话框1);
  }

  QTemporaryDir dir;
};

// A GIF of 1 x 1 pixels with `frames` frames that alternate red and blue.
QByteArray tiny_gif(int frames) {
  QByteArray g("GIF89a\x01\x00\x01\x00\x80\x00\x00" "\xFF\x00\x00" "\x00\x00\xFF", 19);
  g += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);  // loop for ever
  for (int i = 0; i < frames; ++i) {
    g += QByteArray("\x21\xF9\x04\x00\x05\x00\x00\x00", 8);              // 50 ms a frame
    g += QByteArray("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);     // the whole screen
    // LZW, minimum code size 2: clear (4), the colour index, end (5), in 3-bit codes.
    g += i % 2 == 0 ? QByteArray("\x02\x02\x44\x01\x00", 5) : QByteArray("\x02\x02\x4C\x01\x00", 5);
  }
  g += '\x3B';
  return g;
}

QByteArray encoded(const char* format) {
  QImage image(9, 7, QImage::Format_RGB32);
  image.fill(QColor(20, 160, 90));
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&b, format)) << format;
  return bytes;
}

TEST_F(CoverActions, ShowsTheCoverInEachPictureFormat) {
  struct Row {
    const char* path;
    QByteArray bytes;
    QSize shown;      // empty: nothing shown
    bool animated;
  } rows[] = {
      {"/t/cover.png", encoded("PNG"), QSize(9, 7), false},
      {"/t/cover.bmp", encoded("BMP"), QSize(9, 7), false},
      {"/t/cover.jpg", encoded("JPEG"), QSize(9, 7), false},
      {"/t/still.gif", tiny_gif(1), QSize(1, 1), false},
      {"/t/moving.gif", tiny_gif(2), QSize(1, 1), true},
      // not a picture: the box stays empty, without a word
      {"/t/cover.txt", QByteArray("<html>not a picture</html>"), QSize(), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    const std::string body(r.bytes.constData(), static_cast<std::size_t>(r.bytes.size()));
    sites.mirror().route("GET", r.path, ScriptedResponse{200, {{"Content-Type", "application/octet-stream"}}, body});
    open_cover(mirror(r.path), [&](CoverWindow& w) {
      EXPECT_EQ(w.图片->picture(), bytes_of(r.bytes));
      if (r.animated) {
        ASSERT_NE(w.图片->animation(), nullptr);
        EXPECT_EQ(w.图片->animation()->state(), QMovie::Running);
        const int first = w.图片->animation()->currentFrameNumber();
        EXPECT_TRUE(testing::spin_until([&] { return w.图片->animation()->currentFrameNumber() != first; }, 5000));
        EXPECT_EQ(w.图片->movie(), w.图片->animation());
      } else {
        EXPECT_EQ(w.图片->animation(), nullptr);
        if (r.shown.isValid()) {
          EXPECT_EQ(w.图片->pixmap().size(), r.shown);
        } else {
          EXPECT_TRUE(w.图片->pixmap().isNull());
        }
      }
    });
    EXPECT_TRUE(desktop.messages.empty());
  }
}

TEST_F(CoverActions, JpegCoverSavedUnderAPngNameIsTheServedBytes) {
  const std::string served = standin::cover_picture("av1917648", "JPEG");
  ASSERT_EQ(served.substr(0, 2), "\xFF\xD8");
  parse("av1917648/");
  ASSERT_EQ(ParseResult.coverUrl, mirror("/cover/av1917648.jpg"));
  const QString name = dir.filePath(QStringLiteral("封面.png"));
  open_cover(ParseResult.coverUrl, [&](CoverWindow& w) {
    EXPECT_EQ(w.图片->pixmap().size(), QSize(320, 200));
    save_as(w, name);
    // The save can be repeated while the window is open.
    save_as(w, dir.filePath(QStringLiteral("again.bmp")));
  });
  EXPECT_EQ(read_all(name), QByteArray(served.data(), static_cast<qsizetype>(served.size())));
  EXPECT_EQ(read_all(dir.filePath(QStringLiteral("again.bmp"))), read_all(name));
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CoverActions, CancelledSaveWritesNothing) {
  const QString existing = dir.filePath(QStringLiteral("keep.jpg"));
  parse("av1917648/");
  open_cover(ParseResult.coverUrl, [&](CoverWindow& w) {
    desktop.dialog_answer = Text();  // the double cancels
    QTest::mousePress(w.图片, Qt::LeftButton);
    EXPECT_TRUE(desktop.dialogs.empty());  // only the right button saves
    QTest::mousePress(w.图片, Qt::RightButton);
    EXPECT_EQ(desktop.dialogs.size(), 1u);
  });
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(CoverActions, UnfetchableCoverGivesAnEmptyBoxAndAnEmptySavedFile) {
  const Text gone = mirror("/cover/av1917648.jpg");
  sites.stop();
  const QString name = dir.filePath(QStringLiteral("empty.jpg"));
  open_cover(gone, [&](CoverWindow& w) {
    EXPECT_TRUE(w.图片->picture().empty());
    EXPECT_TRUE(w.图片->pixmap().isNull());
    save_as(w, name);
  });
  ASSERT_TRUE(QFile::exists(name));
  EXPECT_EQ(QFileInfo(name).size(), 0);
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CoverActions, SaveThatFailsPartWayLeavesTheFormerFileWhole) {
  const QString name = dir.filePath(QStringLiteral("封面.jpg"));
  const QByteArray former("the former cover, kept whole");
  {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(former);
  }
  ASSERT_EQ(chmod(QFile::encodeName(name).constData(), 0640), 0);
  parse("av1917648/");
  open_cover(ParseResult.coverUrl, [&](CoverWindow& w) {
    ASSERT_GT(w.图片->picture().size(), 2048u);
    testing::FileSizeLimit limit(2048);  // the cover is larger: its write stops part-way
    ASSERT_TRUE(limit.ok());
    save_as(w, name);
  });
  EXPECT_EQ(read_all(name), former);
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(name).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Nothing is left beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("封面.jpg")});
  EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
}  // namespace pindrel
