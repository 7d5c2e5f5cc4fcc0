// CurlTransport: see curl_transport.h.
//
// One request handle owns a multi handle with one easy handle. send_request
// starts the transfer and drives it until the final response's headers are in;
// read() drives it further whenever the bytes delivered so far are used up. The
// header callback keeps the raw header block of the latest response only, so
// after redirections and "100 Continue" the final response's block remains.
#include "net/curl_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/text_primitives.h"

namespace pindrel {
namespace {

using Clock = std::chrono::steady_clock;

// A response header block bigger than this is not kept whole; the query of the
// headers then fails, as it would for any block over the caller's buffer.
constexpr std::size_t kMaxHeaderBlock = 256 * 1024;

void global_init() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  (void)done;
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct ShareDeleter {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

// ASCII only, whatever the process locale: header names and schemes are ASCII.
char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// `s` begins with the lower-case `prefix`, letter case ignored.
bool iequals_prefix(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (ascii_lower(s[i]) != prefix[i]) return false;
  }
  return true;
}

// A host name as it may stand between "//" and the port in a URL: anything
// else (a "?", "@", "/", a space, a control byte) would change what libcurl
// reads as the host, so such a host cannot be reached, like a name that does
// not resolve. Bytes of 0x80 and up are left to the resolver.
bool is_plain_host(std::string_view host) {
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_';
  });
}

// The request target goes on the request line; a control byte would break the
// line or start a header of its own (RFC 9112 section 3), so such a path is not
// sent at all.
bool is_plain_path(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  return std::none_of(path.begin(), path.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// A space is not allowed in a URI (RFC 3986 section 2); like a browser, send it
// as "%20" rather than give up on the address. libcurl itself escapes bytes of
// 0x80 and up in the path and drops the fragment (RFC 9110 section 4.2.1 keeps
// it off the wire).
std::string escape_spaces(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == ' ') {
      out += "%20";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// "a\rb\nc" -> "a b c": a header line or value with every CR and LF as a space.
std::string without_line_breaks(std::string_view text) {
  std::string out(text);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return out;
}

// The proxy a WinInet proxy list names for one scheme: "http=h:p" entries
// apply to plain addresses, "https=h:p" to secure ones, bare "h:p" to both.
// Entries are separated by spaces or ";". nullopt: no proxy for this scheme.
std::optional<std::string> proxy_for(std::string_view list, bool secure) {
  std::optional<std::string> bare;
  std::size_t i = 0;
  while (i < list.size()) {
    std::size_t end = list.find_first_of("; ", i);
    if (end == std::string_view::npos) end = list.size();
    std::string_view entry = list.substr(i, end - i);
    i = end + 1;
    if (entry.empty()) continue;
    std::size_t eq = entry.find('=');
    if (eq == std::string_view::npos) {
      if (!bare) bare = std::string(entry);
      continue;
    }
    std::string_view scheme = entry.substr(0, eq);
    std::string_view where = entry.substr(eq + 1);
    bool matches = secure ? (scheme.size() == 5 && iequals_prefix(scheme, "https"))
                          : (scheme.size() == 4 && iequals_prefix(scheme, "http"));
    if (matches && !where.empty()) return std::string(where);
  }
  return bare;
}

}  // namespace

struct CurlCookieStore::Impl {
  std::unique_ptr<CURLSH, ShareDeleter> share;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<Impl*>(user)->locks[static_cast<std::size_t>(data)].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<Impl*>(user)->locks[static_cast<std::size_t>(data)].unlock();
  }
};

CurlCookieStore::CurlCookieStore() : impl_(std::make_unique<Impl>()) {
  global_init();
  impl_->share.reset(curl_share_init());
  if (CURLSH* share = impl_->share.get()) {
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Impl::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Impl::unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, impl_.get());
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
}

CurlCookieStore::~CurlCookieStore() = default;

CurlCookieStore& CurlCookieStore::process_store() {
  static CurlCookieStore store;
  return store;
}

void* CurlCookieStore::share_handle() const { return impl_->share.get(); }

// One handle of the transport. Roots and connections only hold what the
// request will need; the request holds the transfer.
struct CurlTransport::Node {
  enum Kind { kRoot = 1, kConnection = 2, kRequest = 3 };
  int kind = 0;

  // Root.
  Text agent;
  HttpProxySetting proxy;
  // Connection.
  Handle root = 0;
  Text host;
  int port = 0;
  // Request.
  Handle connection = 0;
  Text verb;
  Text path;
  uint32_t flags = 0;

  // The transfer of a request.
  const CurlTransportSettings* settings = nullptr;
  std::unique_ptr<CURLM, MultiDeleter> multi;
  std::unique_ptr<CURL, EasyDeleter> easy;
  std::unique_ptr<curl_slist, SlistDeleter> header_list;
  std::string url;
  std::string proxy_url;
  std::string request_body;
  bool started = false;
  bool done = false;
  std::string body;            // delivered by libcurl, not yet read
  std::size_t body_offset = 0;
  std::string headers;         // raw block of the latest response
  bool headers_complete = false;
  bool headers_overflow = false;
  bool connected = false;      // a connection is up; the idle clock runs
  bool follows = false;        // redirections are followed
  Clock::time_point last_activity;
  curl_off_t last_uploaded = 0;

  ~Node() {
    if (multi && easy && started) curl_multi_remove_handle(multi.get(), easy.get());
  }

  std::size_t pending() const { return body.size() - body_offset; }

  static size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Node*>(user);
    const std::size_t n = size * count;
    self->body.append(data, n);
    self->last_activity = Clock::now();
    self->connected = true;
    return n;
  }

  static size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<Node*>(user);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    self->last_activity = Clock::now();
    if (line.starts_with("HTTP/")) {
      // A new response (after "100 Continue" or a redirection) replaces the
      // block of the one before.
      self->headers.clear();
      self->headers_complete = false;
      self->headers_overflow = false;
    } else if (self->headers_complete) {
      return n;  // trailers of a chunked body are not part of the header block
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (self->headers.size() + line.size() + 2 > kMaxHeaderBlock) {
      self->headers_overflow = true;
    } else {
      self->headers.append(line);
      self->headers.append("\r\n");
    }
    if (line.empty()) {
      self->headers_complete = true;
      // A redirection that will be followed is not the final response: its
      // block does not count until the next response replaces it (a failure
      // on the way leaves no headers at all), and the next connection's set-up
      // is timed by the connect time-out, not by the idle clock.
      if (self->follows && is_followed_status(self->headers) && has_location(self->headers)) {
        self->headers_complete = false;
        self->connected = false;
      }
      // Nor is an interim response ("100 Continue").
      if (status_class(self->headers) == '1') self->headers_complete = false;
    }
    return n;
  }

  // "HTTP/1.1 302 Found" -> "302"
  static std::string_view status_code(std::string_view block) {
    const std::size_t sp = block.find(' ');
    return sp == std::string_view::npos ? std::string_view() : block.substr(sp + 1, 3);
  }
  static char status_class(std::string_view block) {
    const std::string_view code = status_code(block);
    return code.empty() ? '\0' : code.front();
  }
  // The statuses libcurl follows.
  static bool is_followed_status(std::string_view block) {
    const std::string_view code = status_code(block);
    return code == "301" || code == "302" || code == "303" || code == "307" || code == "308";
  }

  static bool has_location(std::string_view block) {
    for (std::size_t p = block.find("\r\n"); p != std::string_view::npos; p = block.find("\r\n", p + 2)) {
      if (iequals_prefix(block.substr(p + 2), "location:")) return true;
    }
    return false;
  }

  // Called once a connection (and its TLS session) is up, before each request
  // of the transfer goes out.
  static int on_connected(void* user, char*, char*, int, int) {
    auto* self = static_cast<Node*>(user);
    self->connected = true;
    self->last_activity = Clock::now();
    return CURL_PREREQFUNC_OK;
  }

  static int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* self = static_cast<Node*>(user);
    const auto now = Clock::now();
    if (uploaded != self->last_uploaded) {
      self->last_uploaded = uploaded;
      self->last_activity = now;
    }
    if (self->connected && now - self->last_activity > self->settings->idle_timeout) return 1;
    return 0;
  }

  // Moves the transfer on by one step. False once it has ended.
  bool pump() {
    if (done || !started) return false;
    if (pending() == 0) {
      body.clear();
      body_offset = 0;
    }
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      done = true;
      return false;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left)) {
      if (msg->msg == CURLMSG_DONE) done = true;
    }
    if (running == 0) done = true;
    if (done) return false;
    // A backstop under libcurl's own clocks: nothing at all for longer than a
    // connection and an idle period together ends the exchange.
    if (Clock::now() - last_activity > settings->connect_timeout + settings->idle_timeout) {
      done = true;
      return false;
    }
    // Nothing new yet: wait for the socket or for libcurl's next timer.
    if (pending() == 0) curl_multi_poll(multi.get(), nullptr, 0, 200, nullptr);
    return true;
  }
};

CurlTransport::CurlTransport(CurlTransportSettings settings) : settings_(std::move(settings)) {
  global_init();
}

CurlTransport::~CurlTransport() = default;

CurlTransport::Node* CurlTransport::find(Handle handle, int kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = nodes_.find(handle);
  if (it == nodes_.end() || it->second->kind != kind) return nullptr;
  return it->second.get();
}

HttpTransport::Handle CurlTransport::add_node(std::unique_ptr<Node> node) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle h = next_++;
  nodes_.emplace(h, std::move(node));
  return h;
}

HttpTransport::Handle CurlTransport::open_root(const Text& agent, const HttpProxySetting& proxy) {
  if (proxy.access_type != kOpenTypeDirect && proxy.access_type != kOpenTypeProxy) return 0;
  auto node = std::make_unique<Node>();
  node->kind = Node::kRoot;
  node->agent = agent;
  node->proxy = proxy;
  return add_node(std::move(node));
}

HttpTransport::Handle CurlTransport::connect(Handle root, const Text& host, int port) {
  if (find(root, Node::kRoot) == nullptr) return 0;
  if (host.empty() || port < 0 || port > 65535) return 0;
  auto node = std::make_unique<Node>();
  node->kind = Node::kConnection;
  node->root = root;
  node->host = host;
  node->port = port;
  return add_node(std::move(node));
}

HttpTransport::Handle CurlTransport::open_request(Handle connection, const Text& verb,
                                                  const Text& path, uint32_t flags) {
  if (find(connection, Node::kConnection) == nullptr || verb.empty()) return 0;
  auto node = std::make_unique<Node>();
  node->kind = Node::kRequest;
  node->connection = connection;
  node->verb = verb;
  node->path = path;
  node->flags = flags;
  node->settings = &settings_;
  node->multi.reset(curl_multi_init());
  node->easy.reset(curl_easy_init());
  if (!node->multi || !node->easy) return 0;
  return add_node(std::move(node));
}

bool CurlTransport::send_request(Handle request, const Text& header_block, const ByteArray& body) {
  Node* req = find(request, Node::kRequest);
  if (req == nullptr || req->started) return false;
  Node* conn = find(req->connection, Node::kConnection);
  Node* root = conn ? find(conn->root, Node::kRoot) : nullptr;
  if (conn == nullptr || root == nullptr) return false;

  const bool secure = (req->flags & kFlagSecure) != 0;
  const std::string_view host = conn->host.bytes();
  const std::string_view path = req->path.bytes();
  if (!is_plain_host(host) || !is_plain_path(path)) {
    req->done = true;  // cannot be reached: as a name that does not resolve
    return false;
  }
  const int port = conn->port != 0 ? conn->port : (secure ? 443 : 80);
  req->url = std::string(secure ? "https://" : "http://");
  req->url.append(host);
  req->url.append(":" + std::to_string(port));
  req->url.append(escape_spaces(path));

  CURL* easy = req->easy.get();
  curl_easy_setopt(easy, CURLOPT_URL, req->url.c_str());
  // The path goes out as the caller composed it: no "/../" squashing.
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);

  // Redirections. A plain address may end up on https; a secure one never
  // falls back to plain http (WinInet refuses that unless told otherwise).
  req->follows = (req->flags & kFlagNoAutoRedirect) == 0;
  if (req->follows) {
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, settings_.max_redirects);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  } else {
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  }

  // TLS: the checks are never relaxed.
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings_.ca_file.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, settings_.ca_file.c_str());

  // Proxy. Direct access means no proxy at all, whatever the environment says.
  std::optional<std::string> proxy;
  if (root->proxy.access_type == kOpenTypeProxy) proxy = proxy_for(root->proxy.proxy_list.bytes(), secure);
  if (proxy) {
    // "host:port" as WinInet takes it; a list entry that already names its
    // scheme keeps it.
    req->proxy_url = proxy->find("://") == std::string::npos ? "http://" + *proxy : *proxy;
    curl_easy_setopt(easy, CURLOPT_PROXY, req->proxy_url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
  }

  // Cookies: with a jar of the caller's the engine stays off altogether.
  if ((req->flags & kFlagNoCookies) == 0) {
    CurlCookieStore& store =
        settings_.cookie_store ? *settings_.cookie_store : CurlCookieStore::process_store();
    curl_easy_setopt(easy, CURLOPT_SHARE, store.share_handle());
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  }

  // The agent; a user-agent line in the block, if any, is sent instead.
  const std::string agent = without_line_breaks(root->agent.bytes());
  if (!agent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());

  // The header block, line by line ("\r\n" between lines). A field value may
  // not hold CR or LF (RFC 9110 section 5.5); a bare one inside a line, which
  // may come from a cookie a server set, is sent as a space, as RFC 9112
  // section 5.2 allows for folded lines, so no text can start a header of its
  // own or end the head early. A line with nothing after its ":" is sent as it
  // is ("Name;" is libcurl's spelling for that).
  // Lines libcurl would add on its own are switched off unless the block has
  // them, so that the block is what goes out.
  curl_slist* list = nullptr;
  bool has_accept = false;
  bool has_expect = false;
  bool has_content_type = false;
  auto add = [&list](const std::string& line) {
    if (curl_slist* grown = curl_slist_append(list, line.c_str())) list = grown;
  };
  std::string_view block = header_block.bytes();
  while (!block.empty()) {
    std::size_t end = block.find("\r\n");
    const std::string unfolded = without_line_breaks(block.substr(0, end));
    std::string_view line = unfolded;
    block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;  // not a header line
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    has_accept |= name.size() == 6 && iequals_prefix(name, "accept");
    has_expect |= name.size() == 6 && iequals_prefix(name, "expect");
    has_content_type |= name.size() == 12 && iequals_prefix(name, "content-type");
    std::string_view value = line.substr(colon + 1);
    if (value.find_first_not_of(' ') == std::string_view::npos) {
      add(std::string(line.substr(0, colon)) + ";");
    } else {
      add(std::string(line));
    }
  }
  if (!has_accept) add("Accept:");
  if (!has_expect) add("Expect:");
  if (!has_content_type) add("Content-Type:");
  req->header_list.reset(list);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, list);

  // Verb and body. A GET with nothing to send is a plain GET.
  const std::string verb(req->verb.bytes());
  req->request_body = std::string(body.view());
  if (verb == "GET" && req->request_body.empty()) {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(req->request_body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, req->request_body.data());
    if (verb != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }

  // Time-outs: libcurl counts the connection phase; the progress callback
  // ends an exchange that stays silent for the idle period.
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connect_timeout.count()));
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Node::on_progress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, req);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Node::on_connected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, req);

  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Node::on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, req);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Node::on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, req);

  req->last_activity = Clock::now();
  if (curl_multi_add_handle(req->multi.get(), easy) != CURLM_OK) {
    req->done = true;
    return false;
  }
  req->started = true;
  // Like HttpSendRequest: back once the response's headers are in (or the
  // exchange has ended).
  while (!req->headers_complete && req->pending() == 0 && req->pump()) {
  }
  return req->headers_complete;
}

int CurlTransport::read(Handle request, unsigned char* buffer, int size) {
  Node* req = find(request, Node::kRequest);
  if (req == nullptr || size <= 0) return 0;
  while (req->pending() == 0 && req->pump()) {
  }
  const std::size_t n = std::min(req->pending(), static_cast<std::size_t>(size));
  if (n == 0) return 0;
  std::memcpy(buffer, req->body.data() + req->body_offset, n);
  req->body_offset += n;
  return static_cast<int>(n);
}

bool CurlTransport::query_raw_headers(Handle request, char* buffer, std::size_t size) {
  Node* req = find(request, Node::kRequest);
  if (req == nullptr || !req->headers_complete || req->headers_overflow) return false;
  if (req->headers.size() + 1 > size) return false;
  std::memcpy(buffer, req->headers.data(), req->headers.size());
  buffer[req->headers.size()] = '\0';
  return true;
}

void CurlTransport::close(Handle handle) {
  std::unique_ptr<Node> node;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = nodes_.find(handle);
    if (it == nodes_.end()) return;
    node = std::move(it->second);
    nodes_.erase(it);
  }
}

}  // namespace pindrel
