// The three forms with their real widgets: every control at its place and
// size, with its text, colours and initial state, named as the handlers know
// it; the captions built from the forum's domain; the event bindings that are
// told in full here (the banner click and the hyperlink box).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "app/cover_window.h"
#include "app/listen_window.h"
#include "app/main_window.h"
#include "app/site_hosts.h"
#include "desktop_double.h"
#include "foundation/gui/gui_text.h"
#include "resources/banner.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

using testing::DesktopDouble;

struct ControlRow {
  const char* name;
  const char* kind;    // Qt class name
  const char* parent;  // object name of the parent
  QRect place;
  std::u8string_view text;  // the "text" property; ignored for kinds without one
};

QWidget* control(QWidget& form, const char* name) {
  return form.findChild<QWidget*>(QString::fromUtf8(name));
}

void expect_controls(QWidget& form, std::initializer_list<ControlRow> rows) {
  for (const ControlRow& r : rows) {
    SCOPED_TRACE(r.name);
    QWidget* w = control(form, r.name);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), r.kind);
    EXPECT_EQ(w->parentWidget()->objectName(), QString::fromUtf8(r.parent));
    EXPECT_EQ(w->geometry(), r.place);
    const QVariant text = w->property("text");
    if (text.isValid()) {
      EXPECT_EQ(from_qstring(text.toString()), L(r.text));
    }
  }
}

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = site_hosts();
    site_hosts() = SiteHosts{Text::from_bytes("video.test"), Text::from_bytes("mirror.test"),
                             Text::from_bytes("player.test"), Text::from_bytes("127.0.0.1:9"),
                             Text::from_bytes("127.0.0.1:7"), L(u8"论坛.test")};
  }
  void TearDown() override { site_hosts() = saved_; }

 private:
  SiteHosts saved_;
};

TEST_F(Forms, MainWindowHasEveryControlAtItsPlaceWithItsText) {
  MainWindow w;
  EXPECT_EQ(w.objectName(), QStringLiteral("MainWindow"));
  EXPECT_EQ(w.pos(), QPoint(50, 50));
  EXPECT_EQ(w.size(), QSize(425, 447));
  EXPECT_EQ(w.caption(), L(u8"Pindrelv1.0 - 论坛.test"));
  expect_controls(w, {
      {"图片框1", "pindrel::PictureBox", "MainWindow", QRect(-3, 0, 425, 100), u8""},
      {"标签1", "QLabel", "图片框1", QRect(348, 79, 63, 16), u8"—Tessaly专版"},
      {"编辑框_地址", "QLineEdit", "MainWindow", QRect(8, 106, 344, 24), u8"http://video.test/video/av1917648/"},
      {"解析", "QPushButton", "MainWindow", QRect(358, 106, 56, 24), u8"解析"},
      {"编辑框_信息", "QPlainTextEdit", "MainWindow", QRect(6, 136, 408, 248), u8""},
      {"选择框1", "QCheckBox", "MainWindow", QRect(317, 363, 96, 16), u8"自动展示封面"},
      {"在线试听", "QPushButton", "MainWindow", QRect(8, 390, 80, 24), u8"在线试听"},
      {"下载MP3", "QPushButton", "MainWindow", QRect(96, 390, 80, 24), u8"下载MP3"},
      {"下载Mp4", "QPushButton", "MainWindow", QRect(184, 390, 80, 24), u8"下载MP4"},
      {"检查更新", "QPushButton", "MainWindow", QRect(272, 390, 80, 24), u8"检查更新"},
      {"超级链接框1", "pindrel::HyperlinkBox", "MainWindow", QRect(362, 396, 48, 16), u8"@Korlan"},
  });
  // The members the handlers use are the named controls themselves.
  EXPECT_EQ(w.编辑框_地址, control(w, "编辑框_地址"));
  EXPECT_EQ(w.编辑框_信息, control(w, "编辑框_信息"));
  EXPECT_EQ(w.选择框1, control(w, "选择框1"));
  EXPECT_EQ(w.下载Mp4, control(w, "下载Mp4"));
}

TEST_F(Forms, MainWindowInitialStateAndColours) {
  MainWindow w;
  EXPECT_TRUE(w.选择框1->isChecked());
  EXPECT_TRUE(w.编辑框_信息->toPlainText().isEmpty());
  EXPECT_FALSE(w.编辑框_信息->isReadOnly());  // the user may type into it
  EXPECT_EQ(w.编辑框_信息->palette().color(QPalette::Text), QColor(0, 128, 0));
  EXPECT_EQ(w.编辑框_信息->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(w.编辑框_信息->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(w.编辑框_信息->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(w.编辑框_信息->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(w.编辑框_信息->frameShape(), QFrame::Box);
  EXPECT_EQ(w.编辑框_地址->palette().color(QPalette::Text), QColor(Qt::black));
  EXPECT_EQ(w.编辑框_地址->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_TRUE(w.编辑框_地址->hasFrame());
  EXPECT_EQ(w.图片框1->frameShape(), QFrame::NoFrame);
  EXPECT_TRUE(w.图片框1->autoFillBackground());
  EXPECT_EQ(w.图片框1->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(w.超级链接框1->target(), Text::from_bytes("http://127.0.0.1:9/Vantoro-jiexi.html"));
}

TEST_F(Forms, BannerIsOurOwn217By95PngPicture) {
  const ByteArray banner = BannerPicture();
  ASSERT_GT(banner.size(), 8u);
  EXPECT_EQ(banner.view().substr(0, 8), std::string_view("\x89PNG\r\n\x1A\n", 8));
  QImage image;
  ASSERT_TRUE(image.loadFromData(banner.data(), static_cast<int>(banner.size()), "PNG"));
  EXPECT_EQ(image.size(), QSize(217, 95));
  EXPECT_EQ(QColor(image.pixel(216, 0)), QColor(Qt::white));  // white background

  MainWindow w;
  EXPECT_EQ(w.图片框1->picture(), banner);
  EXPECT_EQ(w.图片框1->pixmap().size(), QSize(217, 95));
}

TEST_F(Forms, MainWindowCarriesTheProgramsOwnIcon) {
  MainWindow w;
  const QIcon icon = w.windowIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(256, 256)}));
  const QImage big = icon.pixmap(QSize(256, 256)).toImage();
  ASSERT_EQ(big.size(), QSize(256, 256));
  EXPECT_EQ(QColor(big.pixel(120, 116)), QColor(Qt::white));  // the play mark
  EXPECT_EQ(qAlpha(big.pixel(1, 1)), 0);                      // outside the rounded tile
  // The windows it opens show the same icon.
  EXPECT_EQ(QApplication::windowIcon().availableSizes(), icon.availableSizes());
}

TEST_F(Forms, CoverWindowHasThePictureAndTheSaveDialog) {
  CoverWindow w;
  EXPECT_EQ(w.pos(), QPoint(50, 50));
  EXPECT_EQ(w.size(), QSize(600, 330));
  EXPECT_EQ(w.caption(), L(u8"封面展示 - [Korlan]Tessaly专版 论坛.test [ 小贴士：右击图片即可保存到本地喔！]"));
  expect_controls(w, {{"图片", "pindrel::PictureBox", "CoverWindow", QRect(-3, -4, 600, 320), u8""}});
  EXPECT_TRUE(w.图片->picture().empty());
  EXPECT_EQ(w.图片->frameShape(), QFrame::NoFrame);
  EXPECT_FALSE(w.图片->autoFillBackground());

  FileDialog* d = w.findChild<FileDialog*>(QStringLiteral("通用对话框1"));
  ASSERT_EQ(d, w.通用对话框1);
  EXPECT_EQ(d->parent(), w.图片);  // it belongs to the picture box
  EXPECT_EQ(d->form_place, QRect(528, 256, 40, 40));
  EXPECT_EQ(d->mode, FileDialog::Mode::Save);
  EXPECT_TRUE(d->title.empty());
  EXPECT_EQ(d->filter, L(u8"JPEG图片文件（*.jpg）|*.jpg|PNG图片文件（*.png）|*.png|GIF动态图片（*.gif）|*.gif|BMP图片文件（*.bmp）|*.bmp"));
  EXPECT_EQ(d->filter_index, 1);
  EXPECT_EQ(d->default_extension, Text::from_bytes(".jpg"));
  EXPECT_TRUE(d->initial_folder.empty());
  EXPECT_TRUE(d->file_name.empty());
  EXPECT_TRUE(d->overwrite_prompt);
  EXPECT_TRUE(d->create_prompt);
  EXPECT_TRUE(d->path_must_exist);
  EXPECT_TRUE(d->hide_read_only);
}

TEST_F(Forms, ListenWindowHasTheBrowserBoxAndNoCaption) {
  ListenWindow w;
  EXPECT_EQ(w.pos(), QPoint(50, 50));
  EXPECT_EQ(w.size(), QSize(386, 71));
  EXPECT_TRUE(w.caption().empty());
  expect_controls(w, {{"超文本浏览框1", "pindrel::BrowserBox", "ListenWindow", QRect(10, 8, 360, 27), u8""}});
  EXPECT_TRUE(w.超文本浏览框1->address().empty());
}

TEST_F(Forms, BannerClickOpensTheForumHomePage) {
  DesktopDouble desktop;
  MainWindow w;
  w.show();
  QTest::mouseClick(w.图片框1, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_TRUE(desktop.opened.empty());
  QTest::mousePress(w.图片框1, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(desktop.opened, std::vector<Text>{Text::from_bytes("http://127.0.0.1:7/")});
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(Forms, HyperlinkBoxOpensTheMakersPage) {
  DesktopDouble desktop;
  MainWindow w;
  w.show();
  QTest::mouseClick(w.超级链接框1, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(desktop.opened, std::vector<Text>{Text::from_bytes("http://127.0.0.1:9/Vantoro-jiexi.html")});
}

TEST_F(Forms, MainWindowIsTheOpenOneWhileItLives) {
  EXPECT_EQ(main_window(), nullptr);
  {
    MainWindow w;
    EXPECT_EQ(main_window(), &w);
  }
  EXPECT_EQ(main_window(), nullptr);
}

}  // namespace
}  // namespace pindrel
