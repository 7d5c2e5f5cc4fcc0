// The stand-in sites on ephemeral loopback ports, with the program's site
// hosts pointed at them for the length of a test.
#pragma once

#include <gtest/gtest.h>

#include "app/parse_result.h"
#include "app/site_hosts.h"
#include "foundation/local_text.h"
#include "tools/standin_sites/standin_sites.h"

namespace pindrel::testing {

class StandinSitesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sites.start());
    saved_ = site_hosts();
    site_hosts() = SiteHosts{host(sites.video_site_host()), host(sites.mirror_host()), host(sites.player_host()),
                             host(sites.maker_host()),      host(sites.forum_host()), local_text(u8"论坛.test")};
    ReleaseGlobalTexts();
  }
  void TearDown() override {
    ReleaseGlobalTexts();
    site_hosts() = saved_;
    sites.stop();
  }

  static Text host(const std::string& h) { return Text::from_bytes(h); }
  // "http://" + mirror host + path
  Text mirror(const std::string& path) const { return Text::from_bytes("http://" + sites.mirror_host() + path); }
  Text video_page(const std::string& id_and_rest) const {
    return Text::from_bytes("http://" + sites.video_site_host() + "/video/" + id_and_rest);
  }

  standin::StandinSites sites;

 private:
  SiteHosts saved_;
};

}  // namespace pindrel::testing
