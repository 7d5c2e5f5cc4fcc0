// A measuring tool, not a test: runs one exchange with the program's own
// settings against a hostile or a large loopback server, and prints how long
// it took, how many bytes came back and the process's peak resident memory.
//
//   exchange_probe finite64 [seconds]   64 MiB body with Content-Length
//   exchange_probe endless [seconds]    a body without end, no length given
//   exchange_probe endless-chunked      the same in chunked encoding
//   exchange_probe trickle              one byte a second
//   exchange_probe slow-redirects       eleven redirections, each silent 25 s
//   exchange_probe gzip-cover           fetch_bytes of 1 MiB of gzip that
//                                       inflates to 1 GiB
//
// A watchdog ends the run after `seconds` (default 120) and prints the same
// figures with "still running".
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "tools/loopback_server/hostile_handlers.h"
#include "tools/loopback_server/raw_socket_server.h"

namespace pindrel {
namespace {

using Clock = std::chrono::steady_clock;

std::string peak_resident() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return line.substr(6);
  }
  return "?";
}

void report(const char* what, Clock::time_point start, std::size_t bytes) {
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%s: %.2f s, %zu body bytes, peak resident%s\n", what, seconds, bytes, peak_resident().c_str());
  std::fflush(stdout);
}

// 1 GiB of zero bytes in the gzip format.
std::string gzip_bomb() {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
  const std::string zeros(1 << 20, '\0');
  std::string out;
  char buf[1 << 16];
  for (int i = 0; i < 1024; ++i) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = static_cast<uInt>(zeros.size());
    const int flush = i == 1023 ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf);
      z.avail_out = sizeof buf;
      deflate(&z, flush);
      out.append(buf, sizeof buf - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return out;
}

RawHandler handler_for(const std::string& scenario, const std::string& bomb) {
  if (scenario == "finite64") return LargeBody(std::size_t{64} << 20);
  if (scenario == "endless") return EndlessBody(false);
  if (scenario == "endless-chunked") return EndlessBody(true);
  if (scenario == "trickle") return Trickle(std::chrono::seconds(1));
  if (scenario == "slow-redirects") return SlowRedirection(std::chrono::seconds(25), "/again");
  if (scenario == "gzip-cover") {
    return [&bomb](RawConnection& c) {
      c.send("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) +
             "\r\n\r\n");
      c.send(bomb);
    };
  }
  return {};
}

}  // namespace
}  // namespace pindrel

int main(int argc, char** argv) {
  using namespace pindrel;
  const std::string scenario = argc > 1 ? argv[1] : "";
  const int limit = argc > 2 ? std::atoi(argv[2]) : 120;
  const std::string bomb = scenario == "gzip-cover" ? gzip_bomb() : std::string();
  RawHandler handler = handler_for(scenario, bomb);
  if (!handler) {
    std::fprintf(stderr, "unknown scenario\n");
    return 2;
  }
  RawSocketServer server(handler);
  if (!server.start()) return 1;
  const auto start = Clock::now();
  std::thread([start, limit] {
    std::this_thread::sleep_for(std::chrono::seconds(limit));
    report("still running", start, 0);
    std::_Exit(3);
  }).detach();
  const Text address = Text::from_bytes(server.base_url() + "/page");
  const std::size_t bytes =
      scenario == "gzip-cover" ? fetch_bytes(address).size() : SendHttpRequest(address).size();
  report(scenario.c_str(), start, bytes);
  std::_Exit(0);  // the server's threads may still be writing to a closed peer
}
