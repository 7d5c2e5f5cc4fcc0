#include "app/video_page_parse.h"

#include "app/page_fetch.h"
#include "app/site_hosts.h"
#include "foundation/code_page.h"
#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"

namespace pindrel {

namespace {

// The mirror's page layout, byte for byte. The three meta tags end with a
// carriage return alone (the right marker has no line feed), and the two
// download blocks put exactly 24 spaces between their title and data spans.
struct VideoPageMarkers {
  Text metaEnd = local_text(u8"\" />\r");
  Text titleLeft = local_text(u8"<meta property=\"og:title\" content=\"");
  Text uploaderLeft = local_text(u8"<meta property=\"og:video:director\" content=\"");
  Text mp4Left = concat_text(local_text(u8"<span class='Data_Title'>MP4/MP3下载</span>"), blank_text(24),
                             local_text(u8"<span class='Data_Data'><a href='"));
  Text mp4Right = local_text(u8"' target='_blank' title='MP4下载'>");
  Text mp3Left = local_text(u8"onclick='PlayMp3(\"");
  Text mp3Right = local_text(u8"\");'");
  Text coverLeft = local_text(u8"<meta property=\"og:image\" content=\"");
  Text assLeft = concat_text(local_text(u8"<span class='Data_Title'>ASS/XML弹幕下载</span>"), blank_text(24),
                             local_text(u8"<span class='Data_Data'><a href='"));
  Text assRight = local_text(u8"' target='_blank'>ASS<dis480>");
  Text xmlLeft = local_text(u8"弹幕</dis480></a><a href='");
  Text xmlRight = local_text(u8"' target='_blank'>XML<dis480>");
};

const VideoPageMarkers& markers() {
  static const VideoPageMarkers m;
  return m;
}

}  // namespace

Text ParseFailureMessage() { return local_text(u8"亲，地址错误或者暂不支持解析喔~ 请仔细检查一下喔~"); }

Text VideoIdFromAddress(const Text& address) {
  return TextBetween(address, VideoPagePrefix(), Text::from_bytes("/"));
}

void CutVideoFields(const Text& pageText, const Text& linkPrefix, ParseResultTexts& into) {
  const VideoPageMarkers& m = markers();
  into.title = TextBetween(pageText, m.titleLeft, m.metaEnd);
  into.uploader = TextBetween(pageText, m.uploaderLeft, m.metaEnd);
  into.mp4Url = concat_text(linkPrefix, TextBetween(pageText, m.mp4Left, m.mp4Right));
  into.mp3Url = concat_text(linkPrefix, TextBetween(pageText, m.mp3Left, m.mp3Right));
  into.coverUrl = TextBetween(pageText, m.coverLeft, m.metaEnd);
  into.assUrl = TextBetween(pageText, m.assLeft, m.assRight);
  into.xmlUrl = concat_text(linkPrefix, TextBetween(pageText, m.xmlLeft, m.xmlRight));
}

namespace {

// The fetched page is converted in its own storage and moved into
// ParseResult: from the transport's body to pageText it is never copied.
void StoreFetchedPage(Text&& page) {
  ParseResult.pageText = utf8_to_local(std::move(page));
  CutVideoFields(ParseResult.pageText, MirrorLinkPrefix(), ParseResult);
}

}  // namespace

void ParseVideoAddress(const Text& address) {
  ParseResult.videoId = VideoIdFromAddress(address);
  StoreFetchedPage(FetchPage(MirrorPageAddress(ParseResult.videoId)));
}

WatchedFetch ParseVideoAddressWatched(const Text& address, const CurlTransportSettings& settings) {
  ParseResult.videoId = VideoIdFromAddress(address);
  WatchedFetch fetch = FetchPageWatched(MirrorPageAddress(ParseResult.videoId), settings);
  StoreFetchedPage(std::move(fetch.page));
  return fetch;
}

std::array<Text, 8> VideoReportLines(const ParseResultTexts& r) {
  const Text crlf = local_text(u8"\r\n");
  return {
      concat_text(local_text(u8"\r\n视频名称："), r.title, crlf),
      concat_text(local_text(u8"\r\nUp主："), r.uploader, crlf),
      concat_text(local_text(u8"\r\n封面："), r.coverUrl, crlf),
      concat_text(local_text(u8"\r\nMp3下载："), r.mp3Url, crlf),
      concat_text(local_text(u8"\r\nMp4下载："), r.mp4Url, crlf),
      concat_text(local_text(u8"\r\nAss弹幕下载："), r.assUrl, crlf),
      concat_text(local_text(u8"\r\nXML弹幕下载："), r.xmlUrl, crlf),
      local_text(u8"\r\n温馨提醒：推荐使用迅雷进行下载，感谢Sorvek提供的端口！\r\n"),
  };
}

}  // namespace pindrel
