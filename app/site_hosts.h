// The six site constants and the fixed addresses built from them. Every fixed
// address is "http://", one of the hosts and a fixed path:
//   VideoPagePrefix()      == "http://" + videoSiteHost + "/video/"
//   MirrorPageAddress(id)  == "http://" + mirrorHost + "/video/" + id
//   ForumHomeAddress()     == "http://" + forumHost + "/"
// The program's values are fixed at build time; tests point them at servers
// on loopback by assigning site_hosts() before they open a window.
#pragma once

#include "foundation/text.h"

namespace pindrel {

struct SiteHosts {
  Text videoSiteHost;  // the video-sharing site whose page addresses are typed
  Text mirrorHost;     // the mirror site the pages are fetched from
  Text playerHost;     // the host of the audio player
  Text makerHost;      // the maker's site: hyperlink target, update manifest
  Text forumHost;      // the forum whose home page the banner opens
  Text forumDomain;    // the forum's domain as the window captions show it
};

// The constants this program was built with.
SiteHosts built_in_site_hosts();
// The hosts in force; built_in_site_hosts() until someone assigns.
SiteHosts& site_hosts();

Text VideoPagePrefix();
// The example address the address box starts with.
Text ExampleVideoAddress();
// "http://" + mirrorHost, with no slash at its end.
Text MirrorLinkPrefix();
Text MirrorPageAddress(const Text& videoId);
Text ForumHomeAddress();
Text HyperlinkTarget();

}  // namespace pindrel
