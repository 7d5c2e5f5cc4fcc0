// pindrel-bench-pages: the two mirror pages of the parse benchmark, served on
// 127.0.0.1.
//
//   pindrel-bench-pages [--port N] [--write DIR]
//
// Both pages are UTF-8 mirror pages of the demo video: Chinese comments first,
// then the page with its seven markers, so every cut searches the whole page.
//   /video/av1917648   1 MiB (1 048 576 bytes)
//   /video/av5242880   5 MiB (5 242 880 bytes)
// Any other path gets a 404 with an empty body. Each response is sent from
// one prepared buffer and the connection closed, so the server adds as little
// as it can to what is measured. Prints "ready <port>" once it listens and
// runs until SIGINT or SIGTERM. --write DIR also stores the two pages there.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tools/loopback_server/raw_socket_server.h"
#include "tools/loopback_server/stop_signals.h"
#include "tools/standin_sites/demo_videos.h"

namespace {

constexpr std::size_t kSmall = 1u << 20;
constexpr std::size_t kLarge = 5u << 20;

// Comments in front of the demo page, padded to exactly `size` bytes.
std::string bench_page(const std::string& mirror_base, std::size_t size) {
  const auto* video = pindrel::standin::find_demo_video("av1917648");
  const std::string tail = pindrel::standin::mirror_video_page(*video, mirror_base, 0) +
                           "<video src='/mp4/av1917648.mp4' controls></video>\r\n";
  static const std::string row =
      "<li class='comment'><span class='user'>观众</span><span class='text'>弹幕好评，前排围观！这个视频太棒了</span></li>\r\n";
  std::string page = "<ul class='Comments'>\r\n";
  while (page.size() + row.size() + tail.size() + 7 <= size) page += row;
  page.append(size - page.size() - tail.size() - 7, ' ');
  page += "</ul>\r\n" + tail;
  return page;
}

std::string response(const std::string& body, int status) {
  return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
         "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  std::string write_dir;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--port" && i + 1 < argc) {
      port = std::atoi(argv[++i]);
    } else if (a == "--write" && i + 1 < argc) {
      write_dir = argv[++i];
    } else {
      std::fputs("usage: pindrel-bench-pages [--port N] [--write DIR]\n", stderr);
      return 2;
    }
  }

  const pindrel::StopSignals stop;

  std::string small, large;
  const std::string not_found = response("", 404);
  pindrel::RawSocketServer server([&](pindrel::RawConnection& c) {
    const std::string& r = c.request();
    if (r.starts_with("GET /video/av1917648 ")) c.send(small);
    else if (r.starts_with("GET /video/av5242880 ")) c.send(large);
    else c.send(not_found);
  });
  if (!server.start(port)) {
    std::fprintf(stderr, "pindrel-bench-pages: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  const std::string base = server.base_url();
  const std::string small_page = bench_page(base, kSmall), large_page = bench_page(base, kLarge);
  small = response(small_page, 200);
  large = response(large_page, 200);
  if (!write_dir.empty()) {
    std::ofstream(write_dir + "/page-1MiB.html", std::ios::binary) << small_page;
    std::ofstream(write_dir + "/page-5MiB.html", std::ios::binary) << large_page;
  }
  std::printf("ready %s\n", base.c_str());
  std::fflush(stdout);

  stop.wait();
  server.stop();
  return 0;
}
