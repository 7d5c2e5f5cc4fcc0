// CurlTransport: see curl_transport.h.
//
// A request handle owns one CurlTransfer (an easy handle in its own multi
// handle). send_request configures it in a run of named steps, starts it and
// drives it until the final response's head is in; read() drives it further
// whenever the bytes delivered so far are used up. The header callback keeps
// the head of the latest response only (ResponseHead), so after redirections
// and "100 Continue" the final response's head remains.
#include "net/curl_transport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string_view>

#include "net/curl_easy.h"
#include "net/proxy_list.h"
#include "net/request_head.h"
#include "net/response_head.h"

namespace pindrel {

class CurlTransport::RequestTransfer {
 public:
  RequestTransfer(Handle connection, const Text& verb, const Text& path, uint32_t flags,
                  const CurlTransportSettings& settings)
      : connection_(connection),
        verb_(verb.bytes()),
        path_(path.bytes()),
        flags_(flags),
        settings_(settings),
        transfer_(settings.limits),
        head_((flags & kFlagNoAutoRedirect) == 0) {}

  Handle connection() const { return connection_; }
  bool valid() const { return transfer_.valid(); }
  bool started() const { return transfer_.started(); }

  // Configures the transfer for the exchange, starts it and drives it until
  // the final response's head is in (or the exchange has ended), like
  // HttpSendRequest. False when it cannot start or no response came.
  bool send(const RootRecord& root, const ConnectionRecord& connection, std::string_view header_block,
            std::string_view body) {
    const bool configured = set_target(connection) && set_redirections() && set_tls() && set_proxy(root) &&
                            set_cookies() && set_agent(root) && set_headers(header_block) &&
                            set_verb_and_body(body) && set_time_outs() && set_callbacks();
    if (!configured || !transfer_.start()) {
      // set_target has already named an address that cannot be sent.
      if (own_end_ == TransferEnd::kNotEnded) own_end_ = TransferEnd::kOtherFailure;
      transfer_.stop();
      return false;
    }
    last_activity_ = Clock::now();
    while (!head_.complete() && pending() == 0 && pump()) {
    }
    return head_.complete();
  }

  int read(unsigned char* buffer, int size) {
    while (pending() == 0 && pump()) {
    }
    const std::size_t n = std::min(pending(), static_cast<std::size_t>(size));
    if (n == 0 || body_refused()) return 0;
    std::memcpy(buffer, staged_.data() + staged_offset_, n);
    staged_offset_ += n;
    return static_cast<int>(n);
  }

  bool copy_head(char* buffer, std::size_t size) const { return head_.copy_to(buffer, size); }

  bool body_refused() const { return transfer_.ended() == CurlTransfer::End::kBodyTooLong; }

  TransferEnd end() const {
    if (own_end_ != TransferEnd::kNotEnded) return own_end_;
    switch (transfer_.ended()) {
      case CurlTransfer::End::kRunning: return TransferEnd::kNotEnded;
      case CurlTransfer::End::kComplete: return end_of_result();
      case CurlTransfer::End::kDeadline: return TransferEnd::kDeadline;
      case CurlTransfer::End::kTooSlow: return TransferEnd::kLowSpeed;
      case CurlTransfer::End::kBodyTooLong: return TransferEnd::kBodyCap;
      case CurlTransfer::End::kStopped: break;
    }
    return TransferEnd::kOtherFailure;
  }

  // libcurl's result: the one the transfer ended with, or the one of a resume
  // that ended it (a refused write while the kept bytes were handed over).
  int code() const {
    if (resume_result_ != CURLE_OK) return resume_result_;
    return transfer_.ended() == CurlTransfer::End::kRunning ? 0 : transfer_.result();
  }

 private:
  using Clock = std::chrono::steady_clock;

  bool secure() const { return (flags_ & kFlagSecure) != 0; }
  bool follows() const { return (flags_ & kFlagNoAutoRedirect) == 0; }
  std::size_t pending() const { return staged_.size() - staged_offset_; }

  // What libcurl's own result says. CURLE_COULDNT_CONNECT covers every failed
  // connect(); only the errno of the last attempt tells a refusal from, say,
  // an unreachable network. The only time-out libcurl runs here is the
  // connect time-out (name resolution included).
  TransferEnd end_of_result() const {
    switch (transfer_.result()) {
      case CURLE_OK: return TransferEnd::kCompleted;
      case CURLE_COULDNT_RESOLVE_HOST: return TransferEnd::kHostNotFound;
      case CURLE_OPERATION_TIMEDOUT: return TransferEnd::kConnectTimeout;
      case CURLE_COULDNT_CONNECT: {
        long error = 0;
        const bool known = curl_easy_getinfo(transfer_.easy().get(), CURLINFO_OS_ERRNO, &error) == CURLE_OK;
        return known && error == ECONNREFUSED ? TransferEnd::kRefused : TransferEnd::kOtherFailure;
      }
      default: return TransferEnd::kOtherFailure;
    }
  }

  // Scheme, host, port and path; the path goes out as the caller composed it
  // (no "/../" squashing). An address that cannot be sent as it is fails here.
  bool set_target(const ConnectionRecord& connection) {
    const std::string_view host = connection.host.bytes();
    if (!IsPlainHost(host)) {
      own_end_ = TransferEnd::kHostNotFound;  // as a name that does not resolve
      return false;
    }
    if (!IsPlainPath(path_)) return false;
    const int port = connection.port != 0 ? connection.port : (secure() ? 443 : 80);
    url_ = std::string(secure() ? "https://" : "http://");
    url_.append(host);
    url_.append(":" + std::to_string(port));
    url_.append(EscapeSpaces(path_));
    CurlEasy& easy = transfer_.easy();
    return easy.set(CURLOPT_URL, url_.c_str()) && easy.set(CURLOPT_PATH_AS_IS, 1L) &&
           easy.set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
           easy.set(CURLOPT_PROTOCOLS_STR, "http,https") && easy.set(CURLOPT_NOSIGNAL, 1L) &&
           easy.set(CURLOPT_FRESH_CONNECT, 1L) && easy.set(CURLOPT_FORBID_REUSE, 1L);
  }

  // A plain address may end up on https; a secure one never falls back to
  // plain http (WinInet refuses that unless told otherwise).
  bool set_redirections() {
    CurlEasy& easy = transfer_.easy();
    if (!follows()) return easy.set(CURLOPT_FOLLOWLOCATION, 0L);
    return easy.set(CURLOPT_FOLLOWLOCATION, 1L) && easy.set(CURLOPT_MAXREDIRS, settings_.limits.max_redirects) &&
           easy.set(CURLOPT_REDIR_PROTOCOLS_STR, secure() ? "https" : "http,https");
  }

  // The checks are never relaxed.
  bool set_tls() {
    CurlEasy& easy = transfer_.easy();
    return easy.set(CURLOPT_SSL_VERIFYPEER, 1L) && easy.set(CURLOPT_SSL_VERIFYHOST, 2L) &&
           (settings_.ca_file.empty() || easy.set(CURLOPT_CAINFO, settings_.ca_file.c_str()));
  }

  // Direct access means no proxy at all, whatever the environment says.
  bool set_proxy(const RootRecord& root) {
    CurlEasy& easy = transfer_.easy();
    std::optional<std::string> proxy;
    if (root.proxy.access_type == kOpenTypeProxy) proxy = ProxyForScheme(root.proxy.proxy_list.bytes(), secure());
    if (!proxy) return easy.set(CURLOPT_PROXY, "");
    // "host:port" as WinInet takes it; a list entry that already names its
    // scheme keeps it.
    proxy_url_ = proxy->find("://") == std::string::npos ? "http://" + *proxy : *proxy;
    return easy.set(CURLOPT_PROXY, proxy_url_.c_str()) &&
           easy.set(CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP)) && easy.set(CURLOPT_NOPROXY, "") &&
           easy.set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  }

  // With a jar of the caller's the engine stays off altogether.
  bool set_cookies() {
    if ((flags_ & kFlagNoCookies) != 0) return true;
    CurlCookieStore& store = settings_.cookie_store ? *settings_.cookie_store : CurlCookieStore::process_store();
    if (store.share_handle() == nullptr) return false;
    CurlEasy& easy = transfer_.easy();
    return easy.set(CURLOPT_SHARE, store.share_handle()) && easy.set(CURLOPT_COOKIEFILE, "");
  }

  // A user-agent line in the block, if any, is sent instead.
  bool set_agent(const RootRecord& root) {
    agent_ = WithoutLineBreaks(root.agent.bytes());
    return agent_.empty() || transfer_.easy().set(CURLOPT_USERAGENT, agent_.c_str());
  }

  bool set_headers(std::string_view block) {
    header_list_ = HeaderListFromBlock(block);
    return header_list_ && transfer_.easy().set(CURLOPT_HTTPHEADER, header_list_.get());
  }

  // A GET with nothing to send is a plain GET.
  bool set_verb_and_body(std::string_view body) {
    CurlEasy& easy = transfer_.easy();
    request_body_ = std::string(body);
    if (verb_ == "GET" && request_body_.empty()) return easy.set(CURLOPT_HTTPGET, 1L);
    return easy.set(CURLOPT_POST, 1L) &&
           easy.set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_body_.size())) &&
           easy.set(CURLOPT_POSTFIELDS, request_body_.data()) &&
           (verb_ == "POST" || easy.set(CURLOPT_CUSTOMREQUEST, verb_.c_str()));
  }

  // libcurl counts the connection phase; the idle period is counted in
  // pump(); the deadline, the low-speed window and the body cap in the
  // transfer.
  bool set_time_outs() {
    return transfer_.easy().set(CURLOPT_CONNECTTIMEOUT_MS,
                                static_cast<long>(settings_.limits.connect_timeout.count()));
  }

  bool set_callbacks() {
    CurlEasy& easy = transfer_.easy();
    return easy.set(CURLOPT_NOPROGRESS, 0L) && easy.set(CURLOPT_XFERINFOFUNCTION, &on_progress) &&
           easy.set(CURLOPT_XFERINFODATA, this) && easy.set(CURLOPT_PREREQFUNCTION, &on_connected) &&
           easy.set(CURLOPT_PREREQDATA, this) && easy.set(CURLOPT_WRITEFUNCTION, &on_body) &&
           easy.set(CURLOPT_WRITEDATA, this) && easy.set(CURLOPT_HEADERFUNCTION, &on_header) &&
           easy.set(CURLOPT_HEADERDATA, this);
  }

  static size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<RequestTransfer*>(user);
    const std::size_t n = size * count;
    // A read window is waiting to be read: libcurl keeps these bytes and stops
    // reading the socket until pump() resumes it, so the transport never
    // stages more than a window and one delivery, however fast the body comes.
    if (self->pending() >= kStagingWindow) {
      self->paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    self->last_activity_ = Clock::now();
    self->connected_ = true;
    if (!self->transfer_.accept_body(n)) return 0;  // past the cap: libcurl ends the transfer
    self->staged_.append(data, n);
    return n;
  }

  static size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<RequestTransfer*>(user);
    const std::size_t n = size * count;
    self->last_activity_ = Clock::now();
    self->transfer_.note_received(n);
    // The next connection's set-up, after a redirection that is followed, is
    // timed by the connect time-out, not by the idle clock.
    if (self->head_.add_line(std::string_view(data, n))) self->connected_ = false;
    return n;
  }

  // Called once a connection (and its TLS session) is up, before each request
  // of the transfer goes out.
  static int on_connected(void* user, char*, char*, int, int) {
    auto* self = static_cast<RequestTransfer*>(user);
    self->connected_ = true;
    self->last_activity_ = Clock::now();
    return CURL_PREREQFUNC_OK;
  }

  // Bytes going out count as activity too.
  static int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* self = static_cast<RequestTransfer*>(user);
    if (uploaded != self->last_uploaded_) {
      self->last_uploaded_ = uploaded;
      self->last_activity_ = Clock::now();
    }
    return 0;
  }

  // Moves the transfer on by one step, waiting when nothing new has come.
  // False once it has ended.
  bool pump() {
    if (pending() == 0) {
      staged_.clear();
      staged_offset_ = 0;
      // May hand over the bytes kept at the pause at once, through on_body.
      if (paused_) {
        paused_ = false;
        last_activity_ = Clock::now();
        resume_result_ = curl_easy_pause(transfer_.easy().get(), CURLPAUSE_CONT);
        if (resume_result_ != CURLE_OK) {
          // The kept bytes may have passed the cap as they were handed over:
          // then the transfer has already said why it ends.
          if (transfer_.ended() == CurlTransfer::End::kRunning) own_end_ = TransferEnd::kOtherFailure;
          transfer_.stop();
          return false;
        }
      }
    }
    if (!transfer_.perform()) return false;
    const TransferLimits& limits = settings_.limits;
    const auto silent = Clock::now() - last_activity_;
    // Silent for the idle period once connected; and, as a backstop under
    // libcurl's own clock, silent for a connection and an idle period together.
    if ((connected_ && silent > limits.idle_timeout) || silent > limits.connect_timeout + limits.idle_timeout) {
      own_end_ = connected_ ? TransferEnd::kIdleTimeout : TransferEnd::kConnectTimeout;
      transfer_.stop();
      return false;
    }
    if (pending() == 0) transfer_.wait();
    return true;
  }

  const Handle connection_;
  const std::string verb_;
  const std::string path_;
  const uint32_t flags_;
  const CurlTransportSettings settings_;
  // Strings libcurl keeps pointers to while the transfer runs.
  std::string url_;
  std::string proxy_url_;
  std::string agent_;
  std::string request_body_;
  CurlSlist header_list_;
  // Declared after what it points into: the transfer ends first.
  CurlTransfer transfer_;

  ResponseHead head_;
  // What libcurl delivered and no read has taken yet: at most one window and
  // one delivery (on_body).
  static constexpr std::size_t kStagingWindow = 64 * 1024;
  std::string staged_;
  std::size_t staged_offset_ = 0;
  CURLcode resume_result_ = CURLE_OK;
  bool paused_ = false;  // on_body paused the transfer; pump() resumes it
  bool connected_ = false;  // a connection is up; the idle clock runs
  // An end the transfer itself cannot name: the idle clock, the backstop
  // under libcurl's connect clock, an address that cannot be sent.
  TransferEnd own_end_ = TransferEnd::kNotEnded;
  Clock::time_point last_activity_ = Clock::now();
  curl_off_t last_uploaded_ = 0;
};

const char* TransferEndName(TransferEnd end) {
  switch (end) {
    case TransferEnd::kNotEnded: return "not ended";
    case TransferEnd::kCompleted: return "completed";
    case TransferEnd::kRefused: return "refused";
    case TransferEnd::kHostNotFound: return "host not found";
    case TransferEnd::kConnectTimeout: return "connect time-out";
    case TransferEnd::kIdleTimeout: return "idle time-out";
    case TransferEnd::kLowSpeed: return "low-speed limit";
    case TransferEnd::kDeadline: return "deadline";
    case TransferEnd::kBodyCap: return "body cap";
    case TransferEnd::kOtherFailure: return "other failure";
  }
  return "?";
}

CurlTransport::CurlTransport(CurlTransportSettings settings) : settings_(std::move(settings)) {}

CurlTransport::~CurlTransport() = default;

template <typename Kind>
Kind* CurlTransport::find(Handle handle) {
  auto it = records_.find(handle);
  return it == records_.end() ? nullptr : std::get_if<Kind>(&it->second);
}

CurlTransport::RequestTransfer* CurlTransport::find_request(Handle handle) {
  auto* request = find<std::unique_ptr<RequestTransfer>>(handle);
  return request ? request->get() : nullptr;
}

const CurlTransport::RequestTransfer* CurlTransport::find_request(Handle handle) const {
  const auto it = records_.find(handle);
  if (it == records_.end()) return nullptr;
  const auto* request = std::get_if<std::unique_ptr<RequestTransfer>>(&it->second);
  return request ? request->get() : nullptr;
}

HttpTransport::Handle CurlTransport::file(Record record) {
  const Handle handle = next_++;
  records_.emplace(handle, std::move(record));
  return handle;
}

HttpTransport::Handle CurlTransport::open_root(const Text& agent, const HttpProxySetting& proxy) {
  if (proxy.access_type != kOpenTypeDirect && proxy.access_type != kOpenTypeProxy) return 0;
  return file(RootRecord{agent, proxy});
}

HttpTransport::Handle CurlTransport::connect(Handle root, const Text& host, int port) {
  if (find<RootRecord>(root) == nullptr) return 0;
  if (host.empty() || port < 0 || port > 65535) return 0;
  return file(ConnectionRecord{root, host, port});
}

HttpTransport::Handle CurlTransport::open_request(Handle connection, const Text& verb, const Text& path,
                                                  uint32_t flags) {
  if (find<ConnectionRecord>(connection) == nullptr || verb.empty()) return 0;
  auto request = std::make_unique<RequestTransfer>(connection, verb, path, flags, settings_);
  if (!request->valid()) return 0;
  return file(std::move(request));
}

bool CurlTransport::send_request(Handle request, const Text& header_block, const ByteArray& body) {
  RequestTransfer* req = find_request(request);
  if (req == nullptr || req->started()) return false;
  const ConnectionRecord* conn = find<ConnectionRecord>(req->connection());
  const RootRecord* root = conn ? find<RootRecord>(conn->root) : nullptr;
  if (conn == nullptr || root == nullptr) return false;
  return req->send(*root, *conn, header_block.bytes(), body.view());
}

int CurlTransport::read(Handle request, unsigned char* buffer, int size) {
  RequestTransfer* req = find_request(request);
  if (req == nullptr || size <= 0) return 0;
  return req->read(buffer, size);
}

bool CurlTransport::query_raw_headers(Handle request, char* buffer, std::size_t size) {
  const RequestTransfer* req = find_request(request);
  return req != nullptr && req->copy_head(buffer, size);
}

bool CurlTransport::body_refused(Handle request) {
  const RequestTransfer* req = find_request(request);
  return req != nullptr && req->body_refused();
}

TransferEnd CurlTransport::transfer_end(Handle request) const {
  const RequestTransfer* req = find_request(request);
  return req ? req->end() : TransferEnd::kNotEnded;
}

int CurlTransport::transfer_code(Handle request) const {
  const RequestTransfer* req = find_request(request);
  return req ? req->code() : 0;
}

void CurlTransport::close(Handle handle) { records_.erase(handle); }

}  // namespace pindrel
