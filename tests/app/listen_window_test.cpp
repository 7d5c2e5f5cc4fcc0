// ListenWindow with the real browser engine, against the stand-in player and
// mirror on loopback: the caption and the player address byte for byte, the
// player page's own report of the soundFile it received and of its audio
// element playing, and the demo MP3 decoding to an audible tone.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QCheckBox>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>

#include "app/listen_window.h"
#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/result_actions.h"
#include "main_window_fixture.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/text_primitives.h"
#include "tests/support/test_text.h"
#include "window_script.h"

namespace pindrel {
namespace {

using testing::spin_until;
using testing::WhileOpen;

// The engine's first start takes a few seconds on a loaded machine.
constexpr int kLoadLimitMs = 60000;

// The parameter text of the player, spelled out here as the player expects it.
const char* const kPlayerParameters =
    "&amp;bg=0xeeeeee&amp;leftbg=0xADADAD&amp;lefticon=0x333333&amp;rightbg=0xA3A3A3&amp;rightbghover=0x6E6E6E"
    "&amp;righticon=0x030303&amp;righticonhover=0xffffff&amp;text=0x666666&amp;slider=0x666666"
    "&amp;track=0xFFFFFF&amp;border=0x666666&amp;loader=0x999999&amp;loop=yes&amp;autostart=yes";

QWebEngineView* view_of(ListenWindow& w) { return qobject_cast<QWebEngineView*>(w.超文本浏览框1->view()); }

// The result of a script in the page, or an invalid QVariant when none came
// back in time.
QVariant evaluate(QWebEngineView& view, const QString& script, int limit_ms = 10000) {
  auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
  view.page()->runJavaScript(script, [result](const QVariant& v) { *result = {true, v}; });
  if (!spin_until([&] { return result->first; }, limit_ms)) return {};
  return result->second;
}

std::string text_of(const QJsonObject& o, const char* key) {
  return o.value(QLatin1String(key)).toString().toStdString();
}

// window.playerReport of the player page; empty until the page has run.
QJsonObject player_report(QWebEngineView& view) {
  const QVariant v = evaluate(view, QStringLiteral("window.playerReport ? JSON.stringify(window.playerReport) : ''"));
  return QJsonDocument::fromJson(v.toString().toUtf8()).object();
}

// Waits until the report satisfies `done` (or shows an error); returns the last report.
QJsonObject wait_for_report(QWebEngineView& view, const std::function<bool(const QJsonObject&)>& done) {
  QJsonObject report;
  spin_until(
      [&] {
        report = player_report(view);
        return !report.isEmpty() && (done(report) || !text_of(report, "error").empty());
      },
      kLoadLimitMs);
  return report;
}

class ListenWindowTest : public testing::MainWindowTest {
 protected:
  // The player address for an MP3 link, built by hand.
  std::string player_address(const Text& mp3) const {
    return "http://" + sites.player_host() + "/source/js/libs/player/audioplayer.swf?soundFile=" +
           std::string(mp3.bytes()) + kPlayerParameters;
  }
  std::string player_target(const Text& mp3) const {
    return player_address(mp3).substr(("http://" + sites.player_host()).size());
  }
};

TEST_F(ListenWindowTest, PlaysTheParsedMp3InThePlayer) {
  parse("av1917648/");
  const Text mp3 = mirror("/mp3/av1917648.mp3");
  ASSERT_EQ(ParseResult.mp3Url, mp3);
  // Nothing has started a browser so far.
  for (QWidget* w : QApplication::allWidgets()) EXPECT_EQ(qobject_cast<QWebEngineView*>(w), nullptr);

  QJsonObject report;
  Text caption, address;
  WhileOpen<ListenWindow> open([&](ListenWindow& w) {
    caption = w.caption();
    address = w.超文本浏览框1->address();
    QWebEngineView* view = view_of(w);
    ASSERT_NE(view, nullptr);
    report = wait_for_report(*view, [](const QJsonObject& r) {
      return r.value("playing").toBool() && r.value("currentTime").toDouble() > 0.5;
    });
  });
  window->在线试听->click();

  EXPECT_EQ(open.shown, 1);
  EXPECT_TRUE(open.main_disabled_while_open);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_EQ(caption, L(u8"正在试听：【MMD】夏日祭的烟火 ～Vantoro示例～"));
  EXPECT_EQ(std::string(address.bytes()), player_address(mp3));

  // What the player page received and did, in its own words.
  EXPECT_EQ(text_of(report, "error"), "");
  EXPECT_EQ(text_of(report, "soundFile"), std::string(mp3.bytes()));
  EXPECT_EQ(text_of(report, "autostart"), "yes");
  EXPECT_EQ(text_of(report, "loop"), "yes");
  EXPECT_TRUE(report.value("playing").toBool());
  EXPECT_GT(report.value("currentTime").toDouble(), 0.5);

  // The address went over the wire as built, and the player fetched the MP3.
  const auto asked = sites.player().requests();
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked[0].target, player_target(mp3));
  bool mp3_fetched = false;
  for (const auto& r : sites.mirror().requests()) mp3_fetched = mp3_fetched || r.path == "/mp3/av1917648.mp3";
  EXPECT_TRUE(mp3_fetched);
}

TEST_F(ListenWindowTest, CaptionAndAddressFollowTheLastParseAndCheck) {
  struct Row {
    const char* what;
    std::function<void()> step;
    std::u8string_view caption;
    std::string mp3;  // mirror path after the prefix, the player's soundFile
  } rows[] = {
      {"after a parse", [&] { parse("av2000003/"); }, u8"正在试听：弹幕链接为空的示例", "/mp3/av2000003.mp3"},
      {"after an update check",
       [&] {
         sites.use_manifest("newer");
         desktop.answers = {kResultNo};
         window->检查更新->click();
       },
       u8"正在试听：Pindrel视频解析 1.1", "/mp3/av2000003.mp3"},
      {"after a failed check",
       [&] {
         sites.use_manifest("utf8");
         window->检查更新->click();
       },
       u8"正在试听：", "/mp3/av2000003.mp3"},
      // the player gets the mirror's bare address
      {"after a failed parse", [&] { parse("av9999999/"); }, u8"正在试听：", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    r.step();
    sites.player().clear_requests();
    QJsonObject report;
    Text caption;
    WhileOpen<ListenWindow> open([&](ListenWindow& w) {
      caption = w.caption();
      ASSERT_NE(view_of(w), nullptr);
      report = wait_for_report(*view_of(w), [](const QJsonObject& rep) { return rep.contains("soundFile"); });
    });
    window->在线试听->click();
    ASSERT_EQ(open.shown, 1);
    EXPECT_EQ(caption, L(r.caption));
    EXPECT_EQ(text_of(report, "soundFile"), std::string(mirror(r.mp3).bytes()));
    const auto asked = sites.player().requests();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0].target, player_target(mirror(r.mp3)));
  }
}

TEST_F(ListenWindowTest, LinkWithAnAmpersandGoesInUnescapedAndEndsThere) {
  parse("av1917648/");
  ParseResult.mp3Url = mirror("/mp3/av1917648.mp3&from=pindrel");
  QJsonObject report;
  Text address;
  WhileOpen<ListenWindow> open([&](ListenWindow& w) {
    address = w.超文本浏览框1->address();
    ASSERT_NE(view_of(w), nullptr);
    report = wait_for_report(*view_of(w), [](const QJsonObject& r) { return r.value("playing").toBool(); });
  });
  window->在线试听->click();
  EXPECT_EQ(std::string(address.bytes()), player_address(ParseResult.mp3Url));
  // The player reads soundFile up to the first "&", so it plays the MP3 itself.
  EXPECT_EQ(text_of(report, "soundFile"), std::string(mirror("/mp3/av1917648.mp3").bytes()));
  EXPECT_EQ(text_of(report, "error"), "");
  EXPECT_TRUE(report.value("playing").toBool());
}

TEST_F(ListenWindowTest, LinksAreNeverEscaped) {
  // Whatever the link holds goes in as it is; the player makes of it what it can.
  for (const char* link : {"http://m.test/a.mp3?x=1&y=2", "http://m.test/a b.mp3", "http://m.test/%41.mp3#t", ""}) {
    SCOPED_TRACE(link);
    EXPECT_EQ(std::string(PlayerAddress(Text::from_bytes(link)).bytes()), player_address(Text::from_bytes(link)));
  }
}

TEST_F(ListenWindowTest, DemoMp3DecodesToThreeSecondsOfA440HzTone) {
  // The browser's own decoder, in a page of the mirror's origin.
  QWebEngineView view;
  view.resize(200, 100);
  bool loaded = false;
  QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
  view.setHtml(QStringLiteral("<!DOCTYPE html><title>decode</title>"),
               QUrl(QString::fromStdString("http://" + sites.mirror_host() + "/")));
  ASSERT_TRUE(spin_until([&] { return loaded; }, kLoadLimitMs));
  evaluate(view, QStringLiteral(R"(
    window.decoded = '';
    fetch('/mp3/av1917648.mp3').then(r => r.arrayBuffer())
      .then(b => new OfflineAudioContext(1, 44100, 44100).decodeAudioData(b))
      .then(buffer => {
        const s = buffer.getChannelData(0);
        let sum = 0, crossings = 0;
        for (let i = 1; i < s.length; ++i) {
          sum += s[i] * s[i];
          if ((s[i - 1] < 0) !== (s[i] < 0)) ++crossings;
        }
        window.decoded = JSON.stringify({seconds: buffer.duration, rms: Math.sqrt(sum / s.length),
                                         hertz: crossings / 2 / buffer.duration});
      }, e => { window.decoded = JSON.stringify({error: String(e)}); });
    true)"));
  QJsonObject tone;
  spin_until(
      [&] {
        tone = QJsonDocument::fromJson(evaluate(view, QStringLiteral("window.decoded")).toString().toUtf8()).object();
        return !tone.isEmpty();
      },
      kLoadLimitMs);
  EXPECT_EQ(text_of(tone, "error"), "");
  EXPECT_NEAR(tone.value("seconds").toDouble(), 3.0, 0.1);
  EXPECT_GT(tone.value("rms").toDouble(), 0.1);  // far from silence
  EXPECT_NEAR(tone.value("hertz").toDouble(), 440.0, 15.0);
}

}  // namespace
}  // namespace pindrel
