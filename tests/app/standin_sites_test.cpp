// The stand-in sites serve what the program and the later actions read: the
// pictures decode, the MP3 is a run of MPEG frames, the manifest is code page
// 936 with its six fields, and each site answers at its paths.
#include <gtest/gtest.h>

#include <QImage>

#include "net/fetch_bytes.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"
#include "standin_fixture.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

class StandinSitesServe : public testing::StandinSitesTest {
 protected:
  ByteArray get(const std::string& host, const std::string& path) {
    return fetch_bytes(Text::from_bytes("http://" + host + path));
  }
};

TEST_F(StandinSitesServe, CoverPicturesDecodeInTheirFormats) {
  struct Row {
    const char* path;
    const char* format;
  } rows[] = {{"/cover/av1917648.jpg", "JPEG"}, {"/cover/av2000001.png", "PNG"}, {"/cover/av2000003.png", "PNG"}};
  for (const Row& r : rows) {
    const ByteArray bytes = get(sites.mirror_host(), r.path);
    QImage image;
    ASSERT_TRUE(image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), r.format)) << r.path;
    EXPECT_EQ(image.size(), QSize(320, 200)) << r.path;
  }
}

TEST_F(StandinSitesServe, Mp3IsARunOfMpegLayer3Frames) {
  const ByteArray mp3 = get(sites.mirror_host(), "/mp3/av1917648.mp3");
  ASSERT_EQ(mp3.size() % 417, 0u);
  ASSERT_GT(mp3.size(), 0u);
  for (std::size_t at = 0; at < mp3.size(); at += 417)
    ASSERT_EQ(mp3.view().substr(at, 4), std::string_view("\xFF\xFB\x90\xC0", 4)) << at;
}

TEST_F(StandinSitesServe, ManifestIsCodePage936WithSixFields) {
  const Text manifest = bytes_to_text(get(sites.maker_host(), "/api/qelvo.txt"));
  const Text end = L(u8"【korlan】");
  EXPECT_EQ(TextBetween(manifest, L(u8"[文件版本]："), end), Text::from_bytes("1.1"));
  EXPECT_EQ(TextBetween(manifest, L(u8"[文件名称]："), end), L(u8"Pindrel视频解析 1.1"));
  EXPECT_EQ(TextBetween(manifest, L(u8"[下载地址]："), end),
            Text::from_bytes("http://" + sites.maker_host() + "/download/pindrel-1.1.zip"));
  EXPECT_EQ(TextBetween(manifest, L(u8"[更新说明]："), end), L(u8"1. 支持更多视频页面\r\n2. 修正封面保存"));
  EXPECT_FALSE(TextBetween(manifest, L(u8"[文件大小]："), end).empty());
  EXPECT_FALSE(TextBetween(manifest, L(u8"[文件MD5]："), end).empty());

  sites.set_manifest(std::string(L(u8"[文件版本]：1.0【korlan】").bytes()));
  EXPECT_EQ(TextBetween(bytes_to_text(get(sites.maker_host(), "/api/qelvo.txt")), L(u8"[文件版本]："), end),
            Text::from_bytes("1.0"));
}

TEST_F(StandinSitesServe, EachSiteAnswersAtItsPaths) {
  struct Row {
    std::string host;
    const char* path;
    const char* contains;
  } rows[] = {
      {sites.maker_host(), "/?api_error", "接口暂时不可用"},
      {sites.maker_host(), "/", "Korlan 的小工具"},
      {sites.maker_host(), "/Vantoro-jiexi.html", "Vantoro 视频解析"},
      {sites.player_host(), "/source/js/libs/player/audioplayer.swf?soundFile=x", "params.soundFile"},
      {sites.forum_host(), "/", "Tessaly 论坛"},
      {sites.video_site_host(), "/video/av1917648/", "/video/av1917648'>Sorvek"},
      {sites.mirror_host(), "/ass/av1917648.ass", "[Script Info]"},
      {sites.mirror_host(), "/xml/av1917648.xml", "<chatid>av1917648</chatid>"},
      {sites.mirror_host(), "/mp4/av1917648.mp4", "ftypisom"},
  };
  for (const Row& r : rows) {
    const ByteArray body = get(r.host, r.path);
    EXPECT_NE(body.view().find(r.contains), std::string_view::npos) << r.path;
  }
  // The error page only for the bare key, not for a key that merely starts with it.
  EXPECT_EQ(get(sites.maker_host(), "/?api_errors").view().find("接口暂时不可用"), std::string_view::npos);
}

TEST_F(StandinSitesServe, FixedPortsAreConsecutiveFromTheBase) {
  standin::StandinSites fixed;
  // Ask the system for a free port, then use the next few from there; the
  // start may fail when one of them is taken, and then nothing stays bound.
  const int base = std::stoi(sites.forum_host().substr(sites.forum_host().find(':') + 1)) + 1;
  if (!fixed.start(base)) GTEST_SKIP() << "ports from " << base << " are taken";
  EXPECT_EQ(fixed.video_site_host(), "127.0.0.1:" + std::to_string(base));
  EXPECT_EQ(fixed.forum_host(), "127.0.0.1:" + std::to_string(base + 4));
}

}  // namespace
}  // namespace pindrel
