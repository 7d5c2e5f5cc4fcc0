// LoopbackServer over cpp-httplib.
//
// cpp-httplib parses requests into a header map, which loses the order and the
// spelling of the lines as they came. To record the request as sent, each
// connection is served through RecordingStream, which keeps every byte the
// parser consumes; the handler of a request cuts that request's head out of the
// bytes consumed since the previous request on the same connection.
#include "tools/loopback_server/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace pindrel {
namespace {

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The bytes of one connection as the parser consumed them.
class RecordingStream final : public httplib::Stream {
 public:
  RecordingStream(int sock, const std::atomic<bool>& stopping) : sock_(sock), stopping_(stopping) {}

  bool is_readable() const override { return pending() > 0 || wait(POLLIN, kReadTimeout); }
  bool is_writable() const override { return wait(POLLOUT, kWriteTimeout); }

  ssize_t read(char* ptr, size_t size) override {
    if (pending() == 0) {
      if (!wait(POLLIN, kReadTimeout)) return -1;
      buffer_.resize(kChunk);
      ssize_t n = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
      if (n <= 0) {
        buffer_.clear();
        offset_ = 0;
        return n;
      }
      buffer_.resize(static_cast<size_t>(n));
      offset_ = 0;
    }
    size_t n = std::min(size, pending());
    std::copy_n(buffer_.data() + offset_, n, ptr);
    consumed_.append(buffer_.data() + offset_, n);
    offset_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!wait(POLLOUT, kWriteTimeout)) return -1;
    return ::send(sock_, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    address_of(::getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    address_of(::getsockname, ip, port);
  }
  socket_t socket() const override { return sock_; }

  // Waits up to `timeout` for the next request to begin; false when the peer
  // closed, the time ran out or the server is stopping.
  bool wait_for_next_request(std::chrono::milliseconds timeout) const {
    if (pending() > 0) return true;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!stopping_) {
      if (wait(POLLIN, std::chrono::milliseconds(100))) return true;
      if (std::chrono::steady_clock::now() >= end) return false;
    }
    return false;
  }

  void mark_request_start() { consumed_.clear(); }
  const std::string& consumed() const { return consumed_; }

 private:
  static constexpr size_t kChunk = 64 * 1024;
  static constexpr std::chrono::milliseconds kReadTimeout{5000};
  static constexpr std::chrono::milliseconds kWriteTimeout{5000};

  size_t pending() const { return buffer_.size() - offset_; }

  void address_of(int (*query)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ip.clear();
    port = 0;
    if (query(sock_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || addr.sin_family != AF_INET) return;
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text) != nullptr) ip = text;
    port = ntohs(addr.sin_port);
  }

  bool wait(short events, std::chrono::milliseconds timeout) const {
    pollfd p{sock_, events, 0};
    int rc = ::poll(&p, 1, static_cast<int>(timeout.count()));
    return rc > 0;
  }

  int sock_;
  const std::atomic<bool>& stopping_;
  std::string buffer_;
  size_t offset_ = 0;
  std::string consumed_;
};

thread_local RecordingStream* current_stream = nullptr;

// The head of the request the parser has just read: request line and header
// lines up to the empty line.
void parse_head(const std::string& raw, RecordedRequest& out) {
  size_t end = raw.find("\r\n\r\n");
  std::string_view head(raw.data(), end == std::string::npos ? raw.size() : end);
  bool first = true;
  while (!head.empty()) {
    size_t eol = head.find("\r\n");
    std::string_view line = head.substr(0, eol);
    if (first) {
      out.request_line = std::string(line);
      first = false;
    } else {
      out.header_lines.emplace_back(line);
    }
    if (eol == std::string_view::npos) break;
    head.remove_prefix(eol + 2);
  }
  std::string_view rl = out.request_line;
  size_t sp1 = rl.find(' ');
  size_t sp2 = rl.rfind(' ');
  out.method = std::string(rl.substr(0, sp1));
  if (sp1 != std::string_view::npos && sp2 > sp1) {
    out.target = std::string(rl.substr(sp1 + 1, sp2 - sp1 - 1));
  }
  out.path = out.target.substr(0, out.target.find('?'));
}

// Content-Length of a parsed request, 0 when it has none or it is not a number.
std::size_t content_length(const httplib::Request& req) {
  if (!req.has_header("Content-Length")) return 0;
  const std::string value = req.get_header_value("Content-Length");
  char* end = nullptr;
  unsigned long long n = std::strtoull(value.c_str(), &end, 10);
  return end != value.c_str() ? static_cast<std::size_t>(n) : 0;
}

// A body of `length` bytes straight from the connection, at most 256 MiB.
std::string read_body(httplib::Stream& stream, std::size_t length) {
  std::string body;
  length = std::min<std::size_t>(length, std::size_t{256} << 20);
  char buf[16384];
  while (body.size() < length) {
    ssize_t n = stream.read(buf, std::min(sizeof buf, length - body.size()));
    if (n <= 0) break;
    body.append(buf, static_cast<std::size_t>(n));
  }
  return body;
}

class RecordingServer final : public httplib::Server {
 public:
  explicit RecordingServer(const std::atomic<bool>& stopping) : stopping_(stopping) {}

 private:
  bool process_and_close_socket(socket_t sock) override {
    RecordingStream stream(sock, stopping_);
    current_stream = &stream;
    bool ok = true;
    for (int served = 0; served < kKeepAliveMax; ++served) {
      if (!stream.wait_for_next_request(std::chrono::seconds(5))) break;
      stream.mark_request_start();
      bool closed = false;
      ok = process_request(stream, served + 1 == kKeepAliveMax, closed, nullptr);
      if (!ok || closed) break;
    }
    current_stream = nullptr;
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
  }

  static constexpr int kKeepAliveMax = 100;
  const std::atomic<bool>& stopping_;
};

}  // namespace

std::string RecordedRequest::header(std::string_view name) const {
  for (const std::string& line : header_lines) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && iequals(trim(std::string_view(line).substr(0, colon)), name)) {
      return std::string(trim(std::string_view(line).substr(colon + 1)));
    }
  }
  return {};
}

int RecordedRequest::header_count(std::string_view name) const {
  int n = 0;
  for (const std::string& line : header_lines) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && iequals(trim(std::string_view(line).substr(0, colon)), name)) ++n;
  }
  return n;
}

struct LoopbackServer::Impl {
  std::atomic<bool> stopping{false};
  std::unique_ptr<RecordingServer> server;
  std::thread thread;
  int port = 0;

  mutable std::mutex mutex;
  std::map<std::pair<std::string, std::string>, RouteHandler> routes;
  RouteHandler fallback;
  std::vector<RecordedRequest> requests;

  ScriptedResponse dispatch(const RecordedRequest& request) {
    RouteHandler handler;
    {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(request);
      if (!request.target.empty() && request.target.front() == '/') {
        auto it = routes.find({request.method, request.path});
        if (it == routes.end() && request.method == "HEAD") it = routes.find({"GET", request.path});
        if (it != routes.end()) handler = it->second;
      }
      if (!handler) handler = fallback;
    }
    if (!handler) return ScriptedResponse{404, {}, {}};
    return handler(request);
  }

  static void fill(const ScriptedResponse& scripted, httplib::Response& res) {
    res.status = scripted.status;
    std::string type = "text/html";
    for (const auto& [name, value] : scripted.headers) {
      if (iequals(name, "Content-Type")) {
        type = value;
      } else {
        res.headers.emplace(name, value);
      }
    }
    res.set_content(scripted.body, type);
  }

  RecordedRequest record(const httplib::Request& req) {
    RecordedRequest r;
    if (current_stream != nullptr) parse_head(current_stream->consumed(), r);
    r.body = req.body;
    return r;
  }
};

LoopbackServer::LoopbackServer() : impl_(std::make_unique<Impl>()) {}

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::route(std::string method, std::string path, ScriptedResponse fixed) {
  route(std::move(method), std::move(path),
        RouteHandler([fixed = std::move(fixed)](const RecordedRequest&) { return fixed; }));
}

void LoopbackServer::route(std::string method, std::string path, RouteHandler handler) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->routes[{std::move(method), std::move(path)}] = std::move(handler);
}

void LoopbackServer::set_fallback(RouteHandler handler) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->fallback = std::move(handler);
}

bool LoopbackServer::start(int port) {
  if (impl_->server) return false;
  impl_->stopping = false;
  auto server = std::make_unique<RecordingServer>(impl_->stopping);
  Impl* impl = impl_.get();
  auto handle = [impl](const httplib::Request& req, httplib::Response& res) {
    Impl::fill(impl->dispatch(impl->record(req)), res);
  };
  const std::string any = ".*";
  server->Get(any, handle);
  server->Post(any, handle);
  server->Put(any, handle);
  server->Patch(any, handle);
  server->Delete(any, handle);
  server->Options(any, handle);
  // cpp-httplib routes only some methods, reads a body only for POST, PUT,
  // PATCH and DELETE, and refuses form-encoded bodies over 8 KiB (413). So
  // every request with a Content-Length, and every method it does not route
  // (CONNECT, TRACE), is answered here, before its routing, with its body read
  // from the connection; cpp-httplib reads only chunked bodies itself.
  server->set_pre_routing_handler([impl](const httplib::Request& req, httplib::Response& res) {
    static const std::array<std::string_view, 7> routed = {"GET",    "HEAD",   "POST",   "PUT",
                                                           "PATCH",  "DELETE", "OPTIONS"};
    const bool is_routed = std::find(routed.begin(), routed.end(), req.method) != routed.end();
    const std::size_t length = content_length(req);
    if (is_routed && length == 0) return httplib::Server::HandlerResponse::Unhandled;
    RecordedRequest recorded = impl->record(req);
    if (length > 0 && current_stream != nullptr) recorded.body = read_body(*current_stream, length);
    Impl::fill(impl->dispatch(recorded), res);
    return httplib::Server::HandlerResponse::Handled;
  });
  // Only SO_REUSEADDR: cpp-httplib's default adds SO_REUSEPORT, which would let
  // a second server bind the same port and share its connections.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });

  int bound = 0;
  if (port == 0) {
    bound = server->bind_to_any_port("127.0.0.1");
    if (bound <= 0) return false;
  } else {
    if (!server->bind_to_port("127.0.0.1", port)) return false;
    bound = port;
  }
  impl_->port = bound;
  RecordingServer* raw = server.get();
  impl_->server = std::move(server);
  impl_->thread = std::thread([raw] { raw->listen_after_bind(); });
  // The socket listens already; wait for the accept loop so that stop() right
  // after start() cannot race it.
  for (int i = 0; i < 500 && !raw->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return raw->is_running();
}

void LoopbackServer::stop() {
  if (!impl_->server) return;
  impl_->stopping = true;
  impl_->server->stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_->server.reset();
  impl_->port = 0;
}

bool LoopbackServer::running() const { return impl_->server && impl_->server->is_running(); }

int LoopbackServer::port() const { return impl_->port; }

std::string LoopbackServer::base_url() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

std::vector<RecordedRequest> LoopbackServer::requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->requests;
}

void LoopbackServer::clear_requests() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->requests.clear();
}

}  // namespace pindrel
