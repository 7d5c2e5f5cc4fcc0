#include "tools/standin_sites/standin_sites.h"

#include "tools/standin_sites/demo_media.h"
#include "tools/standin_sites/demo_videos.h"
#include "tools/standin_sites/site_pages.h"

namespace pindrel::standin {

namespace {

ScriptedResponse ok(std::string type, std::string body) {
  return ScriptedResponse{200, {{"Content-Type", std::move(type)}}, std::move(body)};
}

const char* kHtml = "text/html; charset=utf-8";

bool has_query_key(const RecordedRequest& r, const std::string& key) {
  const std::size_t q = r.target.find('?');
  if (q == std::string::npos) return false;
  const std::string query = "&" + r.target.substr(q + 1);
  for (std::size_t at = query.find("&" + key); at != std::string::npos; at = query.find("&" + key, at + 1)) {
    const std::size_t after = at + 1 + key.size();
    if (after == query.size() || query[after] == '=' || query[after] == '&') return true;
  }
  return false;
}

}  // namespace

StandinSites::StandinSites() { add_routes(); }

StandinSites::~StandinSites() { stop(); }

std::string StandinSites::host(const LoopbackServer& s) { return "127.0.0.1:" + std::to_string(s.port()); }

bool StandinSites::start(int port_base) {
  LoopbackServer* servers[] = {&video_site_, &mirror_, &player_, &maker_, &forum_};
  for (int i = 0; i < 5; ++i) {
    if (!servers[i]->start(port_base == 0 ? 0 : port_base + i)) {
      stop();
      return false;
    }
  }
  return true;
}

void StandinSites::stop() {
  forum_.stop();
  maker_.stop();
  player_.stop();
  mirror_.stop();
  video_site_.stop();
}

void StandinSites::set_manifest(std::string bytes) {
  std::lock_guard<std::mutex> lock(manifest_mutex_);
  manifest_ = std::make_unique<std::string>(std::move(bytes));
}

bool StandinSites::use_manifest(const std::string& name) {
  bool known = false;
  for (const std::string& n : manifest_names()) known = known || n == name;
  if (!known) return false;
  std::lock_guard<std::mutex> lock(manifest_mutex_);
  manifest_.reset();
  manifest_name_ = name;
  return true;
}

void StandinSites::add_routes() {
  // Pages carry absolute addresses of the mirror itself, so they are made
  // when asked for, once the port is known.
  for (const DemoVideo& v : demo_videos()) {
    mirror_.route("GET", "/video/" + v.id, [this, &v](const RecordedRequest&) {
      return ok(kHtml, mirror_video_page(v, "http://" + mirror_host()));
    });
    video_site_.route("GET", "/video/" + v.id + "/", [this, &v](const RecordedRequest&) {
      return ok(kHtml, video_site_page(v, "http://" + mirror_host()));
    });
    const bool png = v.cover_file.size() > 4 && v.cover_file.substr(v.cover_file.size() - 4) == ".png";
    mirror_.route("GET", v.cover_file,
                  ok(png ? "image/png" : "image/jpeg", cover_picture(v.id, png ? "PNG" : "JPEG")));
    mirror_.route("GET", "/mp3/" + v.id + ".mp3", ok("audio/mpeg", tone_mp3()));
    mirror_.route("GET", "/mp4/" + v.id + ".mp4", ok("video/mp4", small_mp4()));
    mirror_.route("GET", "/ass/" + v.id + ".ass", ok("text/plain; charset=utf-8", ass_comments(v.title)));
    mirror_.route("GET", "/xml/" + v.id + ".xml", ok("text/xml; charset=utf-8", xml_comments(v.id)));
  }

  player_.route("GET", "/source/js/libs/player/audioplayer.swf", ok(kHtml, player_page()));

  maker_.route("GET", "/api/qelvo.txt", [this](const RecordedRequest&) {
    std::lock_guard<std::mutex> lock(manifest_mutex_);
    return ok("text/plain; charset=gbk", manifest_ ? *manifest_ : update_manifest(manifest_name_, "http://" + maker_host()));
  });
  maker_.route("GET", "/", [](const RecordedRequest& r) {
    return ok(kHtml, has_query_key(r, "api_error") ? maker_error_page() : maker_home_page());
  });
  maker_.route("GET", "/Vantoro-jiexi.html", ok(kHtml, maker_tool_page()));
  for (const char* release : {"/download/pindrel-1.0.zip", "/download/pindrel-1.1.zip"})
    maker_.route("GET", release, ok("application/zip", std::string("PK\x05\x06", 4) + std::string(18, '\0')));

  forum_.route("GET", "/", ok(kHtml, forum_home_page()));
}

}  // namespace pindrel::standin
