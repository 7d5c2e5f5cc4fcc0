// pindrel-standin-sites: the local stand-in sites for the demo run.
//
//   pindrel-standin-sites [--port-base N] [--manifest NAME]
//
// Serves the video site, the mirror, the player host, the maker's site and
// the forum on 127.0.0.1, ports N .. N+4 (ephemeral ports without the
// option), prints one line per site and then "ready", and runs until it gets
// SIGINT or SIGTERM. NAME picks the update manifest the maker's site serves
// (newer, same, no-version, utf8, not-http); without the option it is taken
// from PINDREL_DEMO_MANIFEST, and "newer" when that is unset or empty.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/loopback_server/stop_signals.h"
#include "tools/standin_sites/standin_sites.h"

int main(int argc, char** argv) {
  int port_base = 0;
  const char* from_env = std::getenv("PINDREL_DEMO_MANIFEST");
  std::string manifest = from_env != nullptr && *from_env != '\0' ? from_env : "newer";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--manifest" && i + 1 < argc) {
      manifest = argv[++i];
    } else if (a == "--port-base" && i + 1 < argc) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || n < 1 || n > 65531) {
        std::fprintf(stderr, "pindrel-standin-sites: bad port base %s\n", argv[i]);
        return 2;
      }
      port_base = static_cast<int>(n);
    } else {
      std::fputs("usage: pindrel-standin-sites [--port-base N] [--manifest newer|same|no-version|utf8|not-http]\n",
                 stderr);
      return 2;
    }
  }

  // Before the server threads start, so that the stop signals all arrive at
  // stop.wait().
  const pindrel::StopSignals stop;

  // The image writers of the cover pictures are Qt plugins.
  QCoreApplication app(argc, argv);
  pindrel::standin::StandinSites sites;
  if (!sites.use_manifest(manifest)) {
    std::fprintf(stderr, "pindrel-standin-sites: no manifest named %s\n", manifest.c_str());
    return 2;
  }
  if (!sites.start(port_base)) {
    std::fprintf(stderr, "pindrel-standin-sites: cannot listen on the loopback ports from %d\n", port_base);
    return 1;
  }
  std::printf("video site  http://%s/\n", sites.video_site_host().c_str());
  std::printf("mirror      http://%s/\n", sites.mirror_host().c_str());
  std::printf("player      http://%s/\n", sites.player_host().c_str());
  std::printf("maker       http://%s/  (update manifest: %s)\n", sites.maker_host().c_str(), manifest.c_str());
  std::printf("forum       http://%s/\n", sites.forum_host().c_str());
  std::printf("ready\n");
  std::fflush(stdout);

  stop.wait();
  sites.stop();
  return 0;
}
