// The browser box and its separately loaded browser module, in a process of
// its own: nothing of Qt WebEngine is mapped until the first box gets an
// address; then the module is loaded and the box shows a page from a loopback
// server, whose title is read back through the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QtTest/QTest>
#include <string>

#include "foundation/gui/browser_box.h"
#include "foundation/gui/controls.h"
#include "foundation/gui/web_view_loader.h"
#include "tools/loopback_server/loopback_server.h"

namespace pindrel {
namespace {

// True when a file whose name contains `piece` is mapped into this process.
bool mapped(const std::string& piece) {
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read /proc/self/maps";
    return false;
  }
  return maps.readAll().contains(QByteArray::fromStdString(piece));
}

TEST(BrowserBox, LoadsTheEngineWithTheFirstAddressAndShowsThePage) {
  LoopbackServer server;
  server.route("GET", "/player.html",
               ScriptedResponse{200, {{"Content-Type", "text/html; charset=utf-8"}},
                                "<html><head><title>试听 player</title></head><body>MP3</body></html>"});
  ASSERT_TRUE(server.start());

  // A window in dialog mode around the box, as the listen window is when it
  // is open.
  Window window;
  window.resize(386, 71);
  auto& box = *new BrowserBox(&window);
  box.setGeometry(10, 8, 360, 27);
  window.set_dialog_mode(true);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(box.view(), nullptr);
  EXPECT_FALSE(web_view_module_loaded());
  for (const char* library : {"libQt6WebEngineCore", "libQt6WebEngineWidgets", "libpindrel_webview"})
    EXPECT_FALSE(mapped(library)) << library << " mapped before any address was written";

  box.set_address(Text::from_bytes(server.base_url() + "/player.html"));
  EXPECT_EQ(box.address(), Text::from_bytes(server.base_url() + "/player.html"));
  EXPECT_TRUE(web_view_module_loaded());
  EXPECT_TRUE(mapped("libQt6WebEngineCore"));
  QWidget* view = box.view();
  ASSERT_NE(view, nullptr);
  EXPECT_STREQ(view->metaObject()->className(), "QWebEngineView");
  EXPECT_EQ(view->parentWidget(), &box);

  EXPECT_TRUE(QTest::qWaitFor([&] { return view->property("title").toString() == QStringLiteral("试听 player"); },
                              30000))
      << view->property("title").toString().toStdString();
  EXPECT_EQ(view->geometry(), QRect(0, 0, 360, 27));  // the view fills the box
  ASSERT_FALSE(server.requests().empty());
  EXPECT_EQ(server.requests().front().path, "/player.html");

  // A second address goes to the same view.
  server.route("GET", "/other.html", ScriptedResponse{200, {}, "<title>other</title>"});
  box.set_address(Text::from_bytes(server.base_url() + "/other.html"));
  EXPECT_EQ(box.view(), view);
  EXPECT_TRUE(QTest::qWaitFor([&] { return view->property("title").toString() == QStringLiteral("other"); }, 30000));

  // Esc typed into the page, which does not take it, still closes the window.
  QWidget* typed_into = view->focusProxy() != nullptr ? view->focusProxy() : view;
  QTest::keyClick(typed_into, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
}

TEST(BrowserBox, TheModuleIsLookedForNextToTheProgramFirst) {
  const QStringList files = web_view_module_candidates();
  ASSERT_GE(files.size(), 2);
  EXPECT_EQ(files.front(), QCoreApplication::applicationDirPath() + QStringLiteral("/libpindrel_webview.so"));
  for (const QString& f : files) EXPECT_TRUE(f.endsWith(QStringLiteral("/libpindrel_webview.so"))) << f.toStdString();
}

}  // namespace
}  // namespace pindrel
