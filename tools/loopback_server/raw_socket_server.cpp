// RawSocketServer: plain POSIX sockets, one thread for accepting and one per
// connection. Every wait is a poll() in short steps that also watches the stop
// flag, so stop() never waits for a peer.
#include "tools/loopback_server/raw_socket_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace pindrel {
namespace {

constexpr int kStepMs = 50;
constexpr std::size_t kMaxRequest = 64 * 1024 * 1024;

// Content-Length of a request head, 0 when it names none.
std::size_t content_length(std::string_view head) {
  std::size_t pos = 0;
  while (pos < head.size()) {
    std::size_t eol = head.find("\r\n", pos);
    if (eol == std::string_view::npos) eol = head.size();
    std::string_view line = head.substr(pos, eol - pos);
    pos = eol + 2;
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name(line.substr(0, colon));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "content-length") {
      return static_cast<std::size_t>(std::strtoull(std::string(line.substr(colon + 1)).c_str(), nullptr, 10));
    }
  }
  return 0;
}

// Reads one request; stops early when the peer closes or the server stops.
std::string read_request(int sock, const std::atomic<bool>& stopping) {
  std::string data;
  std::size_t want = std::string::npos;
  char buf[16384];
  while (!stopping && data.size() < kMaxRequest) {
    if (want == std::string::npos) {
      std::size_t end = data.find("\r\n\r\n");
      if (end != std::string::npos) want = end + 4 + content_length(std::string_view(data).substr(0, end));
    }
    if (want != std::string::npos && data.size() >= want) break;
    pollfd p{sock, POLLIN, 0};
    int rc = ::poll(&p, 1, kStepMs);
    if (rc == 0) continue;
    if (rc < 0) break;
    ssize_t n = ::recv(sock, buf, sizeof buf, 0);
    if (n <= 0) break;
    data.append(buf, static_cast<std::size_t>(n));
  }
  return data;
}

}  // namespace

RawConnection::RawConnection(int socket, const std::atomic<bool>& stopping, std::string request)
    : socket_(socket), stopping_(stopping), request_(std::move(request)) {}

bool RawConnection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (socket_ < 0 || stopping_) return false;
    pollfd p{socket_, POLLOUT, 0};
    int rc = ::poll(&p, 1, kStepMs);
    if (rc == 0) continue;
    if (rc < 0) return false;
    ssize_t n = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool RawConnection::alive() const {
  if (socket_ < 0 || stopping_) return false;
  pollfd p{socket_, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return true;
  if ((p.revents & (POLLHUP | POLLERR)) != 0) return false;
  char byte;
  return ::recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
}

void RawConnection::hold() {
  char buf[4096];
  while (socket_ >= 0 && !stopping_) {
    pollfd p{socket_, POLLIN, 0};
    int rc = ::poll(&p, 1, kStepMs);
    if (rc < 0) return;
    if (rc > 0 && ::recv(socket_, buf, sizeof buf, 0) <= 0) return;  // the peer gave up
  }
}

void RawConnection::close() {
  if (socket_ < 0) return;
  ::shutdown(socket_, SHUT_RDWR);
  ::close(socket_);
  socket_ = -1;
}

struct RawSocketServer::Impl {
  RawHandler handler;
  std::atomic<bool> stopping{false};
  int listener = -1;
  int port = 0;
  std::thread acceptor;
  std::mutex mutex;
  std::vector<std::thread> workers;
  std::vector<std::string> requests;

  void serve(int sock) {
    std::string request = read_request(sock, stopping);
    {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(request);
    }
    RawConnection connection(sock, stopping, std::move(request));
    if (handler) handler(connection);
    connection.close();
  }

  void accept_loop() {
    while (!stopping) {
      pollfd p{listener, POLLIN, 0};
      if (::poll(&p, 1, kStepMs) <= 0) continue;
      int sock = ::accept(listener, nullptr, nullptr);
      if (sock < 0) continue;
      std::lock_guard<std::mutex> lock(mutex);
      workers.emplace_back([this, sock] { serve(sock); });
    }
  }
};

RawSocketServer::RawSocketServer(RawHandler handler) : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
}

RawSocketServer::~RawSocketServer() { stop(); }

RawHandler RawSocketServer::reply(std::string response) {
  return [response = std::move(response)](RawConnection& c) { c.send(response); };
}

bool RawSocketServer::start(int port) {
  if (impl_->listener >= 0) return false;
  int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return false;
  int yes = 1;
  ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t len = sizeof addr;
  if (::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(sock, 64) != 0 ||
      ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(sock);
    return false;
  }
  impl_->listener = sock;
  impl_->port = ntohs(addr.sin_port);
  impl_->stopping = false;
  impl_->acceptor = std::thread([impl = impl_.get()] { impl->accept_loop(); });
  return true;
}

void RawSocketServer::stop() {
  if (impl_->listener < 0) return;
  impl_->stopping = true;
  if (impl_->acceptor.joinable()) impl_->acceptor.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    workers.swap(impl_->workers);
  }
  for (std::thread& t : workers) t.join();
  ::close(impl_->listener);
  impl_->listener = -1;
  impl_->port = 0;
}

int RawSocketServer::port() const { return impl_->port; }

std::string RawSocketServer::base_url() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

std::vector<std::string> RawSocketServer::requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->requests;
}

}  // namespace pindrel
