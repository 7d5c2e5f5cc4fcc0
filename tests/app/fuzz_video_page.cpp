// Any bytes as a mirror page (and as a typed address): the conversion, the
// seven cuts and the report never fail, and what they give keeps its shape.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/site_hosts.h"
#include "app/video_page_parse.h"
#include "foundation/code_page.h"
#include "foundation/local_text.h"
#include "foundation/text_primitives.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool starts_with(const pindrel::Text& t, const pindrel::Text& prefix) {
  return pindrel::text_left(t, prefix.length()) == prefix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pindrel;
  static const bool hosts_set = [] {
    site_hosts().videoSiteHost = Text::from_bytes("v.test");
    site_hosts().mirrorHost = Text::from_bytes("m.test");
    return true;
  }();
  (void)hosts_set;
  const Text input = Text::from_bytes(std::string_view(reinterpret_cast<const char*>(data), size));

  const Text prefix = MirrorLinkPrefix();
  ParseResultTexts r;
  r.pageText = utf8_to_local(input);
  CutVideoFields(r.pageText, prefix, r);
  check(starts_with(r.mp3Url, prefix) && starts_with(r.mp4Url, prefix) && starts_with(r.xmlUrl, prefix));
  // A cut is a piece of the page.
  for (const Text* field : {&r.title, &r.uploader, &r.coverUrl, &r.assUrl})
    check(field->empty() || find_text(r.pageText, *field) != -1);
  check(r.title.empty() || find_text(r.pageText, local_text(u8"<meta property=\"og:title\" content=\"")) != -1);

  const auto lines = VideoReportLines(r);
  check(lines[0].length() == local_text(u8"\r\n视频名称：").length() + r.title.length() + 2);
  check(lines[7] == local_text(u8"\r\n温馨提醒：推荐使用迅雷进行下载，感谢Sorvek提供的端口！\r\n"));

  // The same bytes as a typed address: the identifier never holds a "/" and
  // stands between the prefix and a "/".
  const Text id = VideoIdFromAddress(input);
  check(find_text(id, Text::from_bytes("/")) == -1);
  if (!id.empty()) check(find_text(input, concat_text(VideoPagePrefix(), id, Text::from_bytes("/"))) != -1);
  return 0;
}
