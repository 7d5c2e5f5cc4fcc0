#include "tools/standin_sites/demo_videos.h"

namespace pindrel::standin {

namespace {

const std::string kSpaces24(24, ' ');

std::string with_line_ends(std::string page, LineEnds ends) {
  if (ends == LineEnds::CrLf) return page;
  std::string out;
  out.reserve(page.size());
  for (std::size_t i = 0; i < page.size(); ++i)
    if (!(page[i] == '\r' && i + 1 < page.size() && page[i + 1] == '\n')) out += page[i];
  return out;
}

std::string filler(std::size_t bytes) {
  std::string out;
  static const std::string row =
      "<li class='comment'><span class='user'>观众</span><span class='text'>弹幕好评，前排围观！</span></li>\r\n";
  while (out.size() + row.size() <= bytes) out += row;
  out.append(bytes - out.size(), ' ');
  return out;
}

}  // namespace

const std::vector<DemoVideo>& demo_videos() {
  static const std::vector<DemoVideo> videos = {
      {"av1917648", "【MMD】夏日祭的烟火 ～Vantoro示例～", "星野小夜", "/cover/av1917648.jpg", true, false,
       LineEnds::CrLf},
      {"av2000001", "没有上传者的示例视频", "", "/cover/av2000001.png", false, false, LineEnds::CrLf},
      {"av2000002", "只有换行符的页面", "换行君", "/cover/av2000002.jpg", true, false, LineEnds::LfOnly},
      {"av2000003", "弹幕链接为空的示例", "空弹幕", "/cover/av2000003.png", true, true, LineEnds::CrLf},
  };
  return videos;
}

const DemoVideo* find_demo_video(const std::string& id) {
  for (const DemoVideo& v : demo_videos())
    if (v.id == id) return &v;
  return nullptr;
}

std::string mirror_video_page(const DemoVideo& v, const std::string& mirror_base, std::size_t filler_bytes) {
  const std::string ass = v.empty_comment_links ? "" : mirror_base + "/ass/" + v.id + ".ass";
  const std::string xml = v.empty_comment_links ? "" : "/xml/" + v.id + ".xml";
  std::string p;
  p += "<!DOCTYPE html>\r\n<html lang=\"zh-CN\">\r\n<head>\r\n<meta charset=\"utf-8\" />\r\n";
  p += "<title>" + v.title + " - Sorvek</title>\r\n";
  p += "<meta property=\"og:title\" content=\"" + v.title + "\" />\r\n";
  if (!v.uploader.empty()) p += "<meta property=\"og:video:director\" content=\"" + v.uploader + "\" />\r\n";
  p += "<meta property=\"og:image\" content=\"" + mirror_base + v.cover_file + "\" />\r\n";
  p += "<meta property=\"og:type\" content=\"video\" />\r\n";
  p += "<script>function PlayMp3(u){var a=document.getElementById('mp3');a.src=u;a.play();}</script>\r\n";
  p += "</head>\r\n<body>\r\n<div class='Video'>\r\n<h1>" + v.title + "</h1>\r\n";
  p += "<img src='" + v.cover_file + "' width='320' />\r\n<audio id='mp3'></audio>\r\n</div>\r\n";
  p += "<ul class='Comments'>\r\n" + filler(filler_bytes) + "</ul>\r\n";
  p += "<div class='Data'>\r\n";
  if (v.has_mp4_block) {
    p += "<span class='Data_Title'>MP4/MP3下载</span>" + kSpaces24 + "<span class='Data_Data'><a href='/mp4/" + v.id +
         ".mp4' target='_blank' title='MP4下载'>MP4下载</a>";
  } else {
    p += "<span class='Data_Title'>MP3下载</span>" + kSpaces24 + "<span class='Data_Data'>";
  }
  p += " <a href='javascript:;' onclick='PlayMp3(\"/mp3/" + v.id + ".mp3\");' title='MP3试听'>MP3试听</a></span><br />\r\n";
  p += "<span class='Data_Title'>ASS/XML弹幕下载</span>" + kSpaces24 + "<span class='Data_Data'><a href='" + ass +
       "' target='_blank'>ASS<dis480>弹幕</dis480></a><a href='" + xml +
       "' target='_blank'>XML<dis480>弹幕</dis480></a></span>\r\n";
  p += "</div>\r\n<p class='Footer'>Sorvek 镜像站 · 本页面由本地替身站点生成</p>\r\n</body>\r\n</html>\r\n";
  return with_line_ends(std::move(p), v.line_ends);
}

std::string video_site_page(const DemoVideo& v, const std::string& mirror_base) {
  return "<!DOCTYPE html>\r\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\" /><title>" + v.title +
         " - Vantoro</title></head>\r\n<body><h1>" + v.title + "</h1>\r\n<p><a href='" + mirror_base + "/video/" +
         v.id + "'>Sorvek 镜像</a></p></body></html>\r\n";
}

}  // namespace pindrel::standin
