// The windows from the keyboard, with the real widgets offscreen: Tab leaves
// the information box (Ctrl+Tab types a tab), Enter in the address box
// presses 解析, Esc closes a window opened in dialog mode and only such a
// window, and the main window refuses to close while a dialog-mode window
// holds it disabled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "app/cover_window.h"
#include "app/listen_window.h"
#include "app/main_window.h"
#include "app/parse_result.h"
#include "desktop_double.h"
#include "foundation/gui/runtime.h"
#include "standin_fixture.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

using testing::DesktopDouble;

class Keyboard : public testing::StandinSitesTest {
 protected:
  void SetUp() override {
    StandinSitesTest::SetUp();
    window = std::make_unique<MainWindow>();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  void TearDown() override {
    window.reset();
    StandinSitesTest::TearDown();
  }
  std::unique_ptr<MainWindow> window;
};

TEST_F(Keyboard, TabLeavesTheInformationBoxAndCtrlTabTypesATab) {
  QPlainTextEdit* box = window->编辑框_信息;
  struct Row {
    Qt::KeyboardModifiers modifiers;
    bool focus_stays;
    const char* typed;
  } rows[] = {
      {Qt::NoModifier, false, ""},          // on to the next control
      {Qt::ShiftModifier, false, ""},       // back to the one before
      {Qt::ControlModifier, true, "\t"},    // a tab character in the text
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.modifiers));
    box->clear();
    box->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), box);
    QTest::keyClick(box, Qt::Key_Tab, r.modifiers);
    EXPECT_EQ(QApplication::focusWidget() == box, r.focus_stays);
    EXPECT_EQ(box->toPlainText(), QString::fromLatin1(r.typed));
  }
}

TEST_F(Keyboard, EnterInTheAddressBoxRunsTheParse) {
  DesktopDouble desktop;
  window->选择框1->setChecked(false);
  window->编辑框_地址->setText(QString::fromStdString("http://" + sites.video_site_host() + "/video/av1917648/"));
  window->编辑框_地址->setFocus();
  QTest::keyClick(window->编辑框_地址, Qt::Key_Return);
  EXPECT_EQ(ParseResult.videoId, Text::from_bytes("av1917648"));
  EXPECT_FALSE(ParseResult.title.empty());
  EXPECT_TRUE(window->编辑框_信息->toPlainText().contains(QStringLiteral("视频名称：")));
  EXPECT_TRUE(desktop.messages.empty());
}

// Opens `dialog` in dialog mode over the main window and runs `while_open`
// inside it; closes it after a while in case `while_open` did not, so that a
// fault shows as a failure rather than a hang.
void open_in_dialog_mode(Window& dialog, const std::function<void()>& while_open, bool& closed_by_fallback) {
  closed_by_fallback = false;
  QTimer::singleShot(0, &dialog, while_open);
  QTimer::singleShot(2000, &dialog, [&] {
    if (!dialog.isVisible()) return;
    closed_by_fallback = true;
    dialog.close();
  });
  load_window(dialog);
}

TEST_F(Keyboard, EscClosesTheWindowsOpenedInDialogMode) {
  CoverWindow cover;
  ListenWindow listen;
  for (Window* dialog : std::initializer_list<Window*>{&cover, &listen}) {
    SCOPED_TRACE(dialog->objectName().toStdString());
    bool fallback = false;
    open_in_dialog_mode(*dialog, [dialog] { QTest::keyClick(dialog, Qt::Key_Escape); }, fallback);
    EXPECT_FALSE(fallback);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(window->isEnabled());
  }
  // The start-up window is not in dialog mode: Esc leaves it open.
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(Keyboard, TheMainWindowRefusesToCloseWhileTheCoverWindowHoldsIt) {
  CoverWindow cover;
  bool refused = false, still_shown = false, fallback = false;
  open_in_dialog_mode(cover, [&] {
    refused = !window->close();
    still_shown = window->isVisible() && !window->isEnabled();
    cover.close();
  }, fallback);
  EXPECT_FALSE(fallback);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(still_shown);
  // Once the cover window is gone, the main window closes as before.
  EXPECT_TRUE(window->close());
}

}  // namespace
}  // namespace pindrel
