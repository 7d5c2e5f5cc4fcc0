// The hostile handlers: see hostile_handlers.h. Every wait is short, so that
// RawSocketServer::stop() (which makes send() fail) ends them promptly.
#include "tools/loopback_server/hostile_handlers.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace pindrel {
namespace {

const std::string& letters() {
  static const std::string block = [] {
    std::string s(64 * 1024, 'a');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
  }();
  return block;
}

// Sleeps for `period` in short steps; false once the connection is gone.
bool pause(RawConnection& c, std::chrono::milliseconds period) {
  const auto end = std::chrono::steady_clock::now() + period;
  while (std::chrono::steady_clock::now() < end) {
    if (!c.alive()) return false;
    std::this_thread::sleep_for(std::min(period, std::chrono::milliseconds(10)));
  }
  return true;
}

}  // namespace

RawHandler EndlessBody(bool chunked) {
  return [chunked](RawConnection& c) {
    if (!chunked) {
      if (!c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) return;
      while (c.send(letters())) {
      }
      return;
    }
    if (!c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")) return;
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", letters().size());
    while (c.send(size) && c.send(letters()) && c.send("\r\n")) {
    }
  };
}

RawHandler LargeBody(std::size_t bytes) {
  return [bytes](RawConnection& c) {
    if (!c.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes) + "\r\n\r\n")) return;
    for (std::size_t sent = 0; sent < bytes; sent += letters().size()) {
      if (!c.send(std::string_view(letters()).substr(0, bytes - sent))) return;
    }
  };
}

RawHandler Trickle(std::chrono::milliseconds every) {
  return [every](RawConnection& c) {
    if (!c.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n")) return;
    for (int i = 0; i < 100000 && pause(c, every); ++i) {
      if (!c.send("x")) return;
    }
  };
}

RawHandler SlowRedirection(std::chrono::milliseconds silence, std::string location) {
  return [silence, location = std::move(location)](RawConnection& c) {
    if (!pause(c, silence)) return;
    c.send("HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
  };
}

}  // namespace pindrel
