// The pages of the maker's site, the player host and the forum.
#pragma once

#include <string>
#include <vector>

namespace pindrel::standin {

// The update manifests, one for each way a check can go, by name:
//   newer       version 1.1 with every field; download on `maker_base`
//   same        version 1.0, the program's own
//   no-version  every field but the version
//   utf8        the newer one saved as UTF-8, so no label matches
//   not-http    version 1.2 whose download address is "file:///etc/passwd"
// All but utf8 are code page 936: six labelled fields, each ended by
// "【korlan】". An unknown name gives the empty text.
const std::vector<std::string>& manifest_names();
std::string update_manifest(const std::string& name, const std::string& maker_base);
// The newer one.
std::string update_manifest(const std::string& maker_base);
std::string maker_error_page();         // "/?api_error"
std::string maker_home_page();          // "/"
std::string maker_tool_page();          // "/Vantoro-jiexi.html", behind the hyperlink box
// The HTML5 page at the player's path: it plays the address in its
// "soundFile" query key (up to the first "&"), autostarting and looping as
// the keys "autostart" and "loop" say; the other keys may be introduced by
// "&amp;" as well as "&". It reports what it received and whether its audio
// plays in window.playerReport {soundFile, autostart, loop, playing,
// currentTime, error} and in its title, e.g. "playing 1.2 s | http://...".
std::string player_page();
std::string forum_home_page();

}  // namespace pindrel::standin
