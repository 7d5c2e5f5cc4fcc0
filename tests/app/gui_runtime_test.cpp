// The GUI run-time layer with real Qt widgets (offscreen): text crossing,
// edit boxes, dialog-mode windows, the message loop with its exit routines,
// the real message box, file writing, the picture box and fetch_bytes
// against a loopback server.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QBuffer>
#include <QImage>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "desktop_double.h"
#include "foundation/gui/browser_box.h"
#include "foundation/gui/controls.h"
#include "foundation/gui/hyperlink_box.h"
#include "net/fetch_bytes.h"
#include "foundation/gui/gui_text.h"
#include "foundation/gui/qt_desktop_services.h"
#include "foundation/gui/runtime.h"
#include "tests/support/test_text.h"
#include "tools/loopback_server/loopback_server.h"

namespace pindrel {
namespace {

using testing::DesktopDouble;

TEST(GuiText, CrossesBetweenCodePage936AndQString) {
  struct Row {
    std::u8string_view utf8;
  } rows[] = {{u8""}, {u8"解析"}, {u8"信息：【korlan】"}, {u8"ASCII only"}, {u8"—Tessaly专版"}};
  for (const Row& r : rows) {
    const Text t = L(r.utf8);
    const QString q = to_qstring(t);
    EXPECT_EQ(q, QString::fromUtf8(reinterpret_cast<const char*>(r.utf8.data()), static_cast<qsizetype>(r.utf8.size())));
    EXPECT_EQ(from_qstring(q), t);
  }
  // A character code page 936 cannot show becomes "?"; U+0000 ends the Text.
  EXPECT_EQ(from_qstring(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), Text::from_bytes("a?b"));
  EXPECT_EQ(from_qstring(QString(QStringLiteral("ab")) + QChar(u'\0') + QStringLiteral("cd")), Text::from_bytes("ab"));
}

TEST(EditBox, MultiLineBoxReadsLineBreaksAsCrLf) {
  QPlainTextEdit box;
  append_text(box, Text::from_bytes("\r\nfirst\r\n"));
  append_text(box, Text::from_bytes("\r\nsecond\r\n"));
  EXPECT_EQ(edit_text(box), Text::from_bytes("\r\nfirst\r\n\r\nsecond\r\n"));
  EXPECT_EQ(box.blockCount(), 5);
  set_edit_text(box, Text());
  EXPECT_EQ(edit_text(box), Text());
}

TEST(EditBox, AppendGoesToTheEndWhereverTheCaretWas) {
  QPlainTextEdit box;
  set_edit_text(box, L(u8"甲乙"));
  QTextCursor c = box.textCursor();
  c.setPosition(0);
  box.setTextCursor(c);
  append_text(box, L(u8"丙"));
  EXPECT_EQ(edit_text(box), L(u8"甲乙丙"));
  EXPECT_EQ(box.textCursor().position(), 3);

  QLineEdit line;
  set_edit_text(line, Text::from_bytes("ab"));
  line.setCursorPosition(0);
  append_text(line, Text::from_bytes("c"));
  EXPECT_EQ(edit_text(line), Text::from_bytes("abc"));
}

TEST(CheckBox, StateIsOneWhenTicked) {
  QCheckBox box;
  EXPECT_EQ(check_state(box), 0);
  box.setChecked(true);
  EXPECT_EQ(check_state(box), 1);
}

class RecordingWindow : public Window {
 public:
  RecordingWindow() { connect(this, &Window::created, this, [this] { ++created_count; }); }
  int created_count = 0;
};

TEST(LoadWindow, DisablesTheOtherWindowsAndReturnsAfterTheWindowClosed) {
  Window main;
  main.show();
  QWidget other;  // a second top-level window, shown or not, is disabled too
  RecordingWindow dialog;

  bool seen_open = false;
  QTimer::singleShot(0, [&] {
    seen_open = dialog.isVisible() && !main.isEnabled() && !other.isEnabled() && dialog.isEnabled();
    dialog.close();
  });
  load_window(dialog);

  EXPECT_TRUE(seen_open);
  EXPECT_EQ(dialog.created_count, 1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(main.isEnabled());
  EXPECT_TRUE(other.isEnabled());
}

TEST(LoadWindow, CreatedEventRunsBeforeTheWindowIsShownAndOnEveryOpening) {
  RecordingWindow dialog;
  bool visible_in_created = true;
  QObject::connect(&dialog, &Window::created, [&] { visible_in_created = dialog.isVisible(); });
  for (int opening = 1; opening <= 2; ++opening) {
    QTimer::singleShot(0, [&] { dialog.close(); });
    load_window(dialog);
    EXPECT_EQ(dialog.created_count, opening);
  }
  EXPECT_FALSE(visible_in_created);
}

TEST(LoadWindow, WindowClosedByItsOwnCreatedHandlerDoesNotHang) {
  Window main;
  main.show();
  RecordingWindow dialog;
  QObject::connect(&dialog, &Window::created, &dialog, [&] { dialog.close(); });
  load_window(dialog);
  EXPECT_EQ(dialog.created_count, 1);
  EXPECT_TRUE(main.isEnabled());
}

TEST(LoadWindow, LeavesAWindowThatWasAlreadyDisabledDisabled) {
  Window main;
  main.show();
  main.setEnabled(false);
  Window dialog;
  QTimer::singleShot(0, [&] { dialog.close(); });
  load_window(dialog);
  EXPECT_FALSE(main.isEnabled());
}

TEST(LoadWindow, AWindowItHoldsDisabledRefusesToCloseUntilTheDialogEnds) {
  Window main;
  main.show();
  Window dialog;
  bool refused = false, held = false, in_dialog_mode = false;
  QTimer::singleShot(0, [&] {
    held = main.held_for_dialog();
    in_dialog_mode = dialog.dialog_mode();
    refused = !main.close();
    dialog.close();
  });
  load_window(dialog);
  EXPECT_TRUE(held);
  EXPECT_TRUE(in_dialog_mode);
  EXPECT_TRUE(refused);
  EXPECT_FALSE(main.held_for_dialog());
  EXPECT_FALSE(dialog.dialog_mode());
  EXPECT_TRUE(main.isVisible());
  EXPECT_TRUE(main.close());
}

TEST(LoadWindow, NestedOpeningsHoldTheMainWindowUntilTheOuterOneEnds) {
  Window main;
  main.show();
  Window outer, inner;
  bool held_after_inner = false;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(10, &inner, [&] { inner.close(); });
    load_window(inner);
    held_after_inner = main.held_for_dialog() && !main.close();
    outer.close();
  });
  load_window(outer);
  EXPECT_TRUE(held_after_inner);
  EXPECT_TRUE(main.isEnabled());
  EXPECT_TRUE(main.close());
}

TEST(MessageLoop, RunsUntilTheMainWindowClosesThenTheExitRoutinesOnce) {
  RecordingWindow main;
  std::vector<int> order;
  register_exit_routine([&] { order.push_back(1); });
  register_exit_routine([&] { order.push_back(2); });
  load_startup_window(main);
  EXPECT_EQ(main.created_count, 1);
  EXPECT_TRUE(main.isVisible());
  bool closed_from_loop = false;
  QTimer::singleShot(0, [&] {
    closed_from_loop = order.empty();
    main.close();
  });
  EXPECT_EQ(run_message_loop(main), 0);
  EXPECT_TRUE(closed_from_loop);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));

  // The routines ran once: a second loop runs none of them again.
  Window again;
  load_startup_window(again);
  QTimer::singleShot(0, [&] { again.close(); });
  run_message_loop(again);
  EXPECT_EQ(order.size(), 2u);
}

TEST(MessageBox, DefaultCaptionAndButtonsReachTheServices) {
  DesktopDouble desktop;
  desktop.answers = {kResultYes};
  EXPECT_EQ(message_box(L(u8"有新版本"), kButtonsYesNo, L(u8"问题")), kResultYes);
  EXPECT_EQ(message_box(L(u8"完成")), kResultOk);
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[0].caption, L(u8"问题"));
  EXPECT_EQ(desktop.messages[0].buttons, 4);
  EXPECT_EQ(desktop.messages[1].caption, L(u8"信息："));
  EXPECT_EQ(desktop.messages[1].buttons, 0);
  EXPECT_EQ(desktop.messages[1].text, L(u8"完成"));
}

// The real QMessageBox, answered by clicking one of its buttons.
struct BoxSeen {
  QString caption, text;
  QStringList buttons;
  bool icon_less = false;
  bool application_modal = false;
};

TEST(QtMessageBox, OkBoxHasOneButtonNoIconAndTheCaption) {
  QtDesktopServices qt;
  BoxSeen seen;
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen.caption = box->windowTitle();
    seen.text = box->text();
    seen.icon_less = box->icon() == QMessageBox::NoIcon;
    seen.application_modal = box->windowModality() == Qt::ApplicationModal;
    for (QAbstractButton* b : box->buttons()) seen.buttons << b->text().remove(QChar(u'&'));
    box->buttons().front()->click();
  });
  EXPECT_EQ(qt.message_box(L(u8"第一行\r\n第二行"), kButtonsOk, L(u8"信息：")), kResultOk);
  EXPECT_EQ(seen.caption, QStringLiteral("信息："));
  EXPECT_EQ(seen.text, QStringLiteral("第一行\n第二行"));
  EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});
  EXPECT_TRUE(seen.icon_less);
  EXPECT_TRUE(seen.application_modal);
}

TEST(QtMessageBox, IsCentredOverTheActiveWindowWithoutBeingOwnedByIt) {
  Window main;
  main.setGeometry(300, 200, 425, 447);
  main.show();
  QApplication::setActiveWindow(&main);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  QtDesktopServices qt;
  QPoint box_centre;
  QWidget* owner = &main;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    box_centre = box->frameGeometry().center();
    owner = box->parentWidget();
    box->buttons().front()->click();
  });
  qt.message_box(L(u8"完成"), kButtonsOk, L(u8"信息："));
  EXPECT_EQ(owner, nullptr);
  const QPoint window_centre = main.frameGeometry().center();
  EXPECT_LE((box_centre - window_centre).manhattanLength(), 2)
      << box_centre.x() << "," << box_centre.y() << " vs " << window_centre.x() << "," << window_centre.y();
}

TEST(QtMessageBox, YesNoBoxAnswersFiveForYesAndSixForNo) {
  QtDesktopServices qt;
  struct Row {
    const char* button;
    int result;
  } rows[] = {{"Yes", kResultYes}, {"No", kResultNo}};
  for (const Row& r : rows) {
    QStringList buttons;
    QTimer::singleShot(0, [&buttons, &r] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      QAbstractButton* target = nullptr;
      for (QAbstractButton* b : box->buttons()) {
        buttons << b->text().remove(QChar(u'&'));
        if (b->text().remove(QChar(u'&')) == QLatin1String(r.button)) target = b;
      }
      ASSERT_NE(target, nullptr);
      target->click();
    });
    EXPECT_EQ(qt.message_box(L(u8"更新？"), kButtonsYesNo, L(u8"问题")), r.result) << r.button;
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
  }
}

TEST(QtMessageBox, ClosingAYesNoBoxCountsAsNo) {
  QtDesktopServices qt;
  QTimer::singleShot(0, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(qt.message_box(L(u8"更新？"), kButtonsYesNo, L(u8"问题")), kResultNo);
}

TEST(QtClipboard, ReplacesTheContentWithTheText) {
  QtDesktopServices qt;
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  qt.set_clipboard_text(L(u8"http://127.0.0.1:1/mp3/视频.mp3"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1:1/mp3/视频.mp3"));
  qt.set_clipboard_text(Text());
  EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST(QtFileDialog, FilterPairsBecomeQtNameFilters) {
  EXPECT_EQ(qt_name_filters(L(u8"JPEG图片文件（*.jpg）|*.jpg|PNG图片文件（*.png）|*.png")),
            (QStringList{QStringLiteral("JPEG图片文件（*.jpg） (*.jpg)"), QStringLiteral("PNG图片文件（*.png） (*.png)")}));
  EXPECT_EQ(qt_name_filters(Text::from_bytes("Pictures|*.jpg;*.png|Dangling")),
            QStringList{QStringLiteral("Pictures (*.jpg *.png)")});
  EXPECT_TRUE(qt_name_filters(Text()).isEmpty());
}

// Polls for the next modal window and hands it to `act` until `act` takes it
// (returns true); gives up after a few hundred tries.
void when_modal(std::function<bool(QWidget*)> act) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, act] {
    QWidget* w = QApplication::activeModalWidget();
    if ((w != nullptr && act(w)) || ++*tries > 500) timer->deleteLater();
  });
  timer->start(5);
}

void set_cover_save(FileDialog& d) {
  d.mode = FileDialog::Mode::Save;
  d.filter = L(u8"JPEG图片文件（*.jpg）|*.jpg|PNG图片文件（*.png）|*.png");
  d.filter_index = 1;
  d.default_extension = Text::from_bytes(".jpg");
  d.overwrite_prompt = true;
  d.create_prompt = true;
  d.path_must_exist = true;
}

TEST(QtFileDialog, SaveDialogAddsTheDefaultExtensionAndAsksBeforeCreating) {
  QTemporaryDir dir;
  QtDesktopServices qt;
  FileDialog d;
  set_cover_save(d);
  QStringList filters;
  QString selected_filter, suffix;
  bool save_mode = false, asked_to_create = false;
  when_modal([&](QWidget* w) {
    auto* fd = qobject_cast<QFileDialog*>(w);
    if (fd == nullptr) return false;
    filters = fd->nameFilters();
    selected_filter = fd->selectedNameFilter();
    suffix = fd->defaultSuffix();
    save_mode = fd->acceptMode() == QFileDialog::AcceptSave;
    fd->setDirectory(dir.path());
    fd->selectFile(QStringLiteral("封面"));
    when_modal([&](QWidget* next) {
      auto* box = qobject_cast<QMessageBox*>(next);
      if (box == nullptr) return false;
      asked_to_create = true;
      box->button(QMessageBox::Yes)->click();
      return true;
    });
    static_cast<QDialog*>(fd)->accept();  // QFileDialog's own accept, through the public slot
    return true;
  });
  ASSERT_TRUE(qt.run_file_dialog(d));
  EXPECT_EQ(filters, (QStringList{QStringLiteral("JPEG图片文件（*.jpg） (*.jpg)"), QStringLiteral("PNG图片文件（*.png） (*.png)")}));
  EXPECT_EQ(selected_filter, filters.value(0));
  EXPECT_EQ(suffix, QStringLiteral("jpg"));
  EXPECT_TRUE(save_mode);
  EXPECT_TRUE(asked_to_create);
  EXPECT_EQ(d.file_name, from_qstring(QDir(dir.path()).absoluteFilePath(QStringLiteral("封面.jpg"))));
}

TEST(QtFileDialog, CancelOrNoToCreatingGivesFalseAndKeepsTheName) {
  QTemporaryDir dir;
  QtDesktopServices qt;
  FileDialog d;
  set_cover_save(d);
  d.file_name = Text::from_bytes("before");
  when_modal([](QWidget* w) {
    auto* fd = qobject_cast<QFileDialog*>(w);
    if (fd == nullptr) return false;
    fd->reject();
    return true;
  });
  EXPECT_FALSE(qt.run_file_dialog(d));

  when_modal([&](QWidget* w) {
    auto* fd = qobject_cast<QFileDialog*>(w);
    if (fd == nullptr) return false;
    fd->setDirectory(dir.path());
    fd->selectFile(QStringLiteral("new.png"));
    when_modal([](QWidget* next) {
      auto* box = qobject_cast<QMessageBox*>(next);
      if (box == nullptr) return false;
      box->button(QMessageBox::No)->click();
      return true;
    });
    static_cast<QDialog*>(fd)->accept();  // QFileDialog's own accept, through the public slot
    return true;
  });
  EXPECT_FALSE(qt.run_file_dialog(d));
  EXPECT_EQ(d.file_name, Text::from_bytes("before"));
}

TEST(WriteFile, WritesThePartsInOrderAndTruncates) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const Text name = from_qstring(dir.filePath(QStringLiteral("封面.jpg")));
  ASSERT_TRUE(write_file(name, {ByteArray(std::string("old content that is long", 24))}));
  EXPECT_TRUE(write_file(name, {ByteArray(std::string("\xFF\xD8\0", 3)), ByteArray(), ByteArray(std::string("end"))}));
  QFile f(to_qstring(name));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("\xFF\xD8\0end", 6));
}

TEST(WriteFile, FailsForAnEmptyNameOrAMissingFolder) {
  QTemporaryDir dir;
  EXPECT_FALSE(write_file(Text(), {ByteArray(std::string("x"))}));
  EXPECT_FALSE(write_file(from_qstring(dir.filePath(QStringLiteral("no/such/folder/a.jpg"))), {ByteArray(std::string("x"))}));
  // No parts at all still creates the (empty) file.
  const QString empty = dir.filePath(QStringLiteral("empty.bin"));
  EXPECT_TRUE(write_file(from_qstring(empty), {}));
  EXPECT_TRUE(QFile::exists(empty));
}

TEST(PictureBox, GivesBackExactlyTheBytesItWasGiven) {
  PictureBox box;
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray png;
  {
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&b, "PNG"));
  }
  const ByteArray bytes = ByteArray::from_view(std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
  box.set_picture(bytes);
  EXPECT_EQ(box.picture(), bytes);
  EXPECT_EQ(box.pixmap().size(), QSize(7, 5));

  const ByteArray junk(std::string("not a picture\0\x01", 15));
  box.set_picture(junk);
  EXPECT_EQ(box.picture(), junk);
  EXPECT_TRUE(box.pixmap().isNull());
}

TEST(PictureBox, ReportsLeftAndRightButtonPresses) {
  PictureBox box;
  box.resize(20, 20);
  int left = 0, right = 0;
  QObject::connect(&box, &PictureBox::left_button_pressed, [&] { ++left; });
  QObject::connect(&box, &PictureBox::right_button_pressed, [&] { ++right; });
  QTest::mousePress(&box, Qt::LeftButton);
  QTest::mousePress(&box, Qt::RightButton);
  QTest::mousePress(&box, Qt::RightButton);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 2);
}

TEST(HyperlinkBox, ClickOpensItsTargetInTheBrowser) {
  DesktopDouble desktop;
  HyperlinkBox link;
  link.resize(48, 16);
  link.set_caption(L(u8"@Korlan"));
  link.set_target(Text::from_bytes("http://127.0.0.1:9/page.html"));
  QTest::mouseClick(&link, Qt::RightButton);
  EXPECT_TRUE(desktop.opened.empty());
  QTest::mouseClick(&link, Qt::LeftButton);
  EXPECT_EQ(desktop.opened, std::vector<Text>{Text::from_bytes("http://127.0.0.1:9/page.html")});
  EXPECT_EQ(link.caption(), L(u8"@Korlan"));
}

TEST(BrowserBox, StartsNoBrowserUntilAnAddressIsWritten) {
  BrowserBox box;
  EXPECT_EQ(box.view(), nullptr);
  EXPECT_TRUE(box.address().empty());
}

class FetchBytes : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.start()); }
  Text url(const std::string& path) const { return Text::from_bytes(server.base_url() + path); }
  LoopbackServer server;
};

TEST_F(FetchBytes, GivesTheWholeBodyWhateverTheStatus) {
  const std::string picture("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
  server.route("GET", "/cover.png", ScriptedResponse{200, {{"Content-Type", "image/png"}}, picture});
  server.route("GET", "/missing", ScriptedResponse{404, {}, "<h1>not here</h1>"});
  EXPECT_EQ(fetch_bytes(url("/cover.png")), ByteArray(picture));
  EXPECT_EQ(fetch_bytes(url("/missing")), ByteArray(std::string("<h1>not here</h1>")));
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.requests()[0].request_line, "GET /cover.png HTTP/1.1");
}

TEST_F(FetchBytes, FollowsRedirections) {
  server.route("GET", "/old", ScriptedResponse{302, {{"Location", "/new"}}, "moved"});
  server.route("GET", "/new", ScriptedResponse{200, {}, "here"});
  EXPECT_EQ(fetch_bytes(url("/old")), ByteArray(std::string("here")));
}

TEST_F(FetchBytes, IsEmptyOnFailureAndForOtherSchemes) {
  const int port = server.port();
  server.stop();
  EXPECT_TRUE(fetch_bytes(Text::from_bytes("http://127.0.0.1:" + std::to_string(port) + "/x")).empty());
  EXPECT_TRUE(fetch_bytes(Text()).empty());
  QTemporaryDir dir;
  const QString local = dir.filePath(QStringLiteral("f.txt"));
  QFile f(local);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("local file");
  f.close();
  EXPECT_TRUE(fetch_bytes(from_qstring(QStringLiteral("file://") + local)).empty());
}

TEST_F(FetchBytes, DoesNotFollowARedirectionToAnotherScheme) {
  server.route("GET", "/to-file", ScriptedResponse{302, {{"Location", "file:///etc/hostname"}}, "moved"});
  EXPECT_TRUE(fetch_bytes(url("/to-file")).empty());
}

}  // namespace
}  // namespace pindrel
