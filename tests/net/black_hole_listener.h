// A port on 127.0.0.1 where a connection neither comes up nor is refused, so
// that only the client's own connect time-out ends the attempt: a listening
// socket that never accepts, its accept queue filled by connections of its
// own. Linux drops a SYN that arrives while the accept queue of its listener
// is full (tcp_conn_request), and the client keeps resending it.
//
//   BlackHoleListener hole;
//   ASSERT_TRUE(hole.start());
//   ... "http://127.0.0.1:" + std::to_string(hole.port()) ... times out
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace pindrel {

class BlackHoleListener {
 public:
  BlackHoleListener() = default;
  ~BlackHoleListener() {
    for (const int fd : fillers_) ::close(fd);
    if (listener_ >= 0) ::close(listener_);
  }
  BlackHoleListener(const BlackHoleListener&) = delete;
  BlackHoleListener& operator=(const BlackHoleListener&) = delete;

  // Listens and fills the queue: true once a further connection has been
  // seen not to come up within 100 ms.
  bool start() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 0) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return false;
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 16; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (fd < 0) return false;
      fillers_.push_back(fd);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) continue;
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 100) == 0) return true;  // this one hangs: the queue is full
    }
    return false;
  }

  int port() const { return port_; }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace pindrel
