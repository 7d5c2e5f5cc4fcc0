// The pages of the maker's site, the player host and the forum.
#pragma once

#include <string>

namespace pindrel::standin {

// The update manifest in code page 936: six labelled fields, each ended by
// "【korlan】"; it names version 1.1 with its download address on `maker_base`.
std::string update_manifest(const std::string& maker_base);
std::string maker_error_page();         // "/?api_error"
std::string maker_home_page();          // "/"
std::string maker_tool_page();          // "/Vantoro-jiexi.html", behind the hyperlink box
// The HTML5 page at the player's path: it plays the address in its
// "soundFile" query key. The other keys may be introduced by "&amp;" as well
// as "&".
std::string player_page();
std::string forum_home_page();

}  // namespace pindrel::standin
