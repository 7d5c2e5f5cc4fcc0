// The start-up path that main runs, RunPindrel, in this process: the run time
// initialises, MainWindow is loaded and shown, the message loop runs until
// the window closes, and the exit routine releases the global texts.
// This binary has no QApplication of its own: RunPindrel makes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QTimer>

#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/site_hosts.h"
#include "app/startup.h"
#include "foundation/text_primitives.h"
#include "foundation/gui/controls.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

struct SeenAtStart {
  bool ran = false;
  bool main_visible = false;
  Text caption;
  Text address;
  QString ok_button;
  bool web_engine_mapped = true;
};

// True when a file whose name contains `piece` is mapped into this process.
bool mapped(const char* piece) {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(piece);
}

SeenAtStart seen;

// Runs as soon as RunPindrel has made its QApplication: once the loop is
// running, look at the window, leave a text in ParseResult, and close.
void look_and_close() {
  QTimer::singleShot(0, [] {
    MainWindow* w = main_window();
    seen.ran = true;
    if (w == nullptr) {
      QCoreApplication::exit(3);
      return;
    }
    seen.main_visible = w->isVisible();
    seen.caption = w->caption();
    seen.address = edit_text(*w->编辑框_地址);
    seen.ok_button = QCoreApplication::translate("QPlatformTheme", "OK");
    // A lean start: the browser engine waits for the first browser box.
    seen.web_engine_mapped = mapped("libQt6WebEngine") || mapped("libpindrel_webview");
    ParseResult.title = L(u8"标题");
    UpdateInfo.latestVersion = Text::from_bytes("1.1");
    w->close();
  });
}
Q_COREAPP_STARTUP_FUNCTION(look_and_close)

TEST(Startup, RunPindrelShowsMainWindowAndEndsWhenItCloses) {
  static char name[] = "pindrel";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  const int code = RunPindrel(argc, argv);

  EXPECT_EQ(code, 0);
  ASSERT_TRUE(seen.ran);
  EXPECT_TRUE(seen.main_visible);
  EXPECT_FALSE(seen.web_engine_mapped);
  const SiteHosts built_in = built_in_site_hosts();
  EXPECT_EQ(seen.caption, concat_text(L(u8"Pindrelv1.0 - "), built_in.forumDomain));
  EXPECT_EQ(seen.address, concat_text(L(u8"http://"), built_in.videoSiteHost, L(u8"/video/av1917648/")));
  // The exit routine released the global texts.
  EXPECT_TRUE(ParseResult.title.empty());
  EXPECT_TRUE(UpdateInfo.latestVersion.empty());
  EXPECT_EQ(main_window(), nullptr);
  // The standard buttons speak Chinese where Qt's catalogue for it is
  // installed (Debian package qt6-translations-l10n).
  if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm"))) {
    EXPECT_EQ(seen.ok_button, QStringLiteral("确定"));
  }
}

}  // namespace
}  // namespace pindrel
