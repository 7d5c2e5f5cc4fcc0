// The local stand-in sites, each a LoopbackServer on 127.0.0.1:
//   video site  /video/<id>/                     the video's own page
//   mirror      /video/<id>                      the page the program parses
//               /cover/, /mp3/, /mp4/, /ass/, /xml/  its media
//   player      /source/js/libs/player/audioplayer.swf  an HTML5 player page
//   maker       /api/qelvo.txt (one of the manifests of site_pages.h),
//               /?api_error, /, /Vantoro-jiexi.html, /download/
//   forum       /
//
//   StandinSites sites;
//   sites.start();            // five ephemeral ports; start(18600) for 18600..18604
//   sites.mirror_host()       // "127.0.0.1:<port>"
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "tools/loopback_server/loopback_server.h"

namespace pindrel::standin {

class StandinSites {
 public:
  StandinSites();
  ~StandinSites();
  StandinSites(const StandinSites&) = delete;
  StandinSites& operator=(const StandinSites&) = delete;

  // port_base 0: every site on an ephemeral port; otherwise the video site,
  // mirror, player, maker and forum on port_base .. port_base + 4. False when
  // a port cannot be bound (the sites started so far are stopped again).
  bool start(int port_base = 0);
  void stop();

  std::string video_site_host() const { return host(video_site_); }
  std::string mirror_host() const { return host(mirror_); }
  std::string player_host() const { return host(player_); }
  std::string maker_host() const { return host(maker_); }
  std::string forum_host() const { return host(forum_); }

  // The servers themselves, for their request records.
  LoopbackServer& video_site() { return video_site_; }
  LoopbackServer& mirror() { return mirror_; }
  LoopbackServer& player() { return player_; }
  LoopbackServer& maker() { return maker_; }
  LoopbackServer& forum() { return forum_; }

  // Replaces the manifest the maker site serves (bytes as sent).
  void set_manifest(std::string bytes);
  // Serves the named manifest of site_pages.h ("newer", the default, "same",
  // "no-version", "utf8", "not-http") from now on; false for an unknown name.
  bool use_manifest(const std::string& name);

 private:
  static std::string host(const LoopbackServer& s);
  void add_routes();

  LoopbackServer video_site_;
  LoopbackServer mirror_;
  LoopbackServer player_;
  LoopbackServer maker_;
  LoopbackServer forum_;
  std::mutex manifest_mutex_;
  std::unique_ptr<std::string> manifest_;  // null: the named manifest
  std::string manifest_name_ = "newer";
};

}  // namespace pindrel::standin
