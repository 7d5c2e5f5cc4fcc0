#include "app/site_hosts.h"

#include "app/site_constants.h"
#include "foundation/local_text.h"
#include "foundation/text_primitives.h"

namespace pindrel {

namespace {

Text http(const Text& host, const char8_t* path) { return concat_text(local_text(u8"http://"), host, local_text(path)); }

}  // namespace

SiteHosts built_in_site_hosts() {
  return SiteHosts{local_text(PINDREL_VIDEO_SITE_HOST), local_text(PINDREL_MIRROR_HOST),
                   local_text(PINDREL_PLAYER_HOST),     local_text(PINDREL_MAKER_HOST),
                   local_text(PINDREL_FORUM_HOST),      local_text(PINDREL_FORUM_DOMAIN)};
}

SiteHosts& site_hosts() {
  static SiteHosts hosts = built_in_site_hosts();
  return hosts;
}

Text VideoPagePrefix() { return http(site_hosts().videoSiteHost, u8"/video/"); }

Text ExampleVideoAddress() { return http(site_hosts().videoSiteHost, u8"/video/av1917648/"); }

Text MirrorLinkPrefix() { return http(site_hosts().mirrorHost, u8""); }

Text MirrorPageAddress(const Text& videoId) {
  return concat_text(http(site_hosts().mirrorHost, u8"/video/"), videoId);
}

Text ForumHomeAddress() { return http(site_hosts().forumHost, u8"/"); }

Text HyperlinkTarget() { return http(site_hosts().makerHost, u8"/Vantoro-jiexi.html"); }

}  // namespace pindrel
