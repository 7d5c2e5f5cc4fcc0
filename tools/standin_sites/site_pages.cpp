#include "tools/standin_sites/site_pages.h"

#include "foundation/code_page.h"
#include "foundation/local_text.h"

namespace pindrel::standin {

namespace {

std::string gbk(std::u8string_view utf8) { return std::string(local_text(utf8).bytes()); }

std::string html_page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\r\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\" /><title>" + title +
         "</title></head>\r\n<body>" + body + "</body></html>\r\n";
}

}  // namespace

namespace {

struct ManifestFields {
  std::string version;  // empty: the manifest has no version field
  std::u8string_view file_name;
  std::string download;
};

// The six fields in code page 936, one a line, each ended by "【korlan】".
std::string manifest_text(const ManifestFields& m) {
  const std::string end = gbk(u8"【korlan】");
  std::string t;
  if (!m.version.empty()) t += gbk(u8"[文件版本]：") + m.version + end + "\r\n";
  t += gbk(u8"[文件名称]：") + gbk(m.file_name) + end + "\r\n";
  t += gbk(u8"[文件大小]：") + "1.26 MB" + end + "\r\n";
  t += gbk(u8"[文件MD5]：") + "9e107d9d372bb6826bd81d3542a419d6" + end + "\r\n";
  t += gbk(u8"[下载地址]：") + m.download + end + "\r\n";
  t += gbk(u8"[更新说明]：") + gbk(u8"1. 支持更多视频页面\r\n2. 修正封面保存") + end + "\r\n";
  return t;
}

}  // namespace

const std::vector<std::string>& manifest_names() {
  static const std::vector<std::string> names = {"newer", "same", "no-version", "utf8", "not-http"};
  return names;
}

std::string update_manifest(const std::string& maker_base) { return update_manifest("newer", maker_base); }

std::string update_manifest(const std::string& name, const std::string& maker_base) {
  const std::string download = maker_base + "/download/pindrel-1.1.zip";
  if (name == "newer") return manifest_text({"1.1", u8"Pindrel视频解析 1.1", download});
  if (name == "same") return manifest_text({"1.0", u8"Pindrel视频解析 1.0", maker_base + "/download/pindrel-1.0.zip"});
  if (name == "no-version") return manifest_text({"", u8"Pindrel视频解析 1.1", download});
  if (name == "utf8") return std::string(local_to_utf8(Text::from_bytes(manifest_text({"1.1", u8"Pindrel视频解析 1.1", download}))));
  if (name == "not-http") return manifest_text({"1.2", u8"Pindrel视频解析 1.2", "file:///etc/passwd"});
  return {};
}

std::string maker_error_page() {
  return html_page("接口错误 - Korlan", "<h1>接口暂时不可用</h1><p>请稍后再试，或将问题反馈到官网。</p>");
}

std::string maker_home_page() {
  return html_page("Korlan", "<h1>Korlan 的小工具</h1><p><a href='/Vantoro-jiexi.html'>Vantoro 视频解析</a></p>");
}

std::string maker_tool_page() {
  return html_page("Vantoro 视频解析 - Korlan",
                   "<h1>Vantoro 视频解析</h1><p>粘贴视频页面地址，按“解析”，即可得到封面、MP3、MP4 与弹幕链接。</p>");
}

std::string player_page() {
  return R"(<!DOCTYPE html>
<html><head><meta charset="utf-8" /><title>audio player</title>
<style>html,body{margin:0;background:#eeeeee;overflow:hidden}audio{display:block;width:100%;height:27px}</style>
</head><body><audio id="player" controls></audio>
<script>
// The query of the Flash player: soundFile, then keys introduced by "&amp;"
// (or a bare "&"). The value of soundFile ends at the first "&".
function decoded(text) {
  try { return decodeURIComponent(text); } catch (e) { return text; }
}
var params = {};
location.search.replace(/^\?/, '').split('&').forEach(function (piece) {
  var eq = piece.indexOf('=');
  var key = decoded(eq < 0 ? piece : piece.slice(0, eq)).replace(/^amp;/, '');
  var value = eq < 0 ? '' : decoded(piece.slice(eq + 1));
  if (!(key in params)) params[key] = value;
});

// What the player received and did, for whoever looks: the page title and
// window.playerReport.
var report = {soundFile: params.soundFile || '', autostart: params.autostart || '', loop: params.loop || '',
              playing: false, currentTime: 0, error: ''};
window.playerReport = report;
function show() {
  var state = report.error ? 'error ' + report.error
            : report.playing ? 'playing ' + report.currentTime.toFixed(1) + ' s' : 'stopped';
  document.title = state + ' | ' + report.soundFile;
}

var player = document.getElementById('player');
player.addEventListener('playing', function () { report.playing = true; show(); });
player.addEventListener('pause', function () { report.playing = false; show(); });
player.addEventListener('timeupdate', function () { report.currentTime = player.currentTime; show(); });
player.addEventListener('error', function () {
  report.error = 'media ' + (player.error ? player.error.code : '?');
  show();
});
if (report.soundFile) {
  player.loop = params.loop === 'yes';
  player.src = report.soundFile;
  if (params.autostart === 'yes')
    player.play().catch(function (e) { report.error = 'play ' + e.name; show(); });
}
show();
</script></body></html>
)";
}

std::string forum_home_page() {
  return html_page("Tessaly 论坛", "<h1>Tessaly 论坛</h1><p>Pindrel 专版：下载、反馈与交流。</p>");
}

}  // namespace pindrel::standin
