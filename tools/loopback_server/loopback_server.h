// A small HTTP/1.1 server on 127.0.0.1 for tests and for the local stand-in
// sites. It runs in its own thread, records every request exactly as it came
// over the wire (request line, header lines in their order, body) and answers
// with scripted responses chosen by method and path.
//
//   LoopbackServer s;
//   s.route("GET", "/video/1", ScriptedResponse{200, {{"Set-Cookie", "a=1"}}, "<html>"});
//   s.route("POST", "/api", [](const RecordedRequest& r) {
//     return ScriptedResponse{200, {}, r.body};
//   });
//   s.start();                      // an ephemeral port; s.start(8080) for a fixed one
//   ... "http://127.0.0.1:" + std::to_string(s.port()) + "/video/1" ...
//   s.requests().at(0).request_line == "GET /video/1 HTTP/1.1"
//   s.stop();                       // also done by the destructor
//
// Routes match the path of the request target without its query, exactly.
// A request no route takes goes to the fallback handler (404 with an empty body
// unless set_fallback was called); absolute-form targets ("GET http://h/p") and
// CONNECT requests, as a client sends them to a proxy, always go there.
// Routes and the fallback may be changed while the server runs. A request body
// given with Content-Length is read whole (up to 256 MiB), whatever the method;
// a chunked one is decoded by cpp-httplib, which refuses chunked form-encoded
// bodies over 8 KiB.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pindrel {

struct RecordedRequest {
  std::string request_line;               // "GET /a?b=1 HTTP/1.1", without "\r\n"
  std::vector<std::string> header_lines;  // "Name: value", in order, without "\r\n"
  std::string body;                       // as received (after any chunked decoding)
  std::string method;                     // "GET"
  std::string target;                     // "/a?b=1" (or "http://h/p", "h:443")
  std::string path;                       // "/a"

  // Value of the first header line of that name (letter case ignored), trimmed;
  // empty when there is none.
  std::string header(std::string_view name) const;
  // Number of header lines of that name (letter case ignored).
  int header_count(std::string_view name) const;
};

struct ScriptedResponse {
  int status = 200;
  // Lines of one name go out in this order (the server sorts different names).
  // Content-Length is added by the server; a Content-Type given here replaces
  // the default "text/html". For bytes no HTTP library would send, see
  // raw_socket_server.h.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

using RouteHandler = std::function<ScriptedResponse(const RecordedRequest&)>;

class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  void route(std::string method, std::string path, ScriptedResponse fixed);
  void route(std::string method, std::string path, RouteHandler handler);
  void set_fallback(RouteHandler handler);

  // Binds 127.0.0.1 (port 0: an ephemeral one), starts the server thread and
  // returns once the server accepts connections. False when the port cannot be
  // bound or the server is already running.
  bool start(int port = 0);
  // Stops accepting, lets the exchanges in progress end and joins the thread.
  void stop();
  bool running() const;

  int port() const;                 // 0 before start
  std::string base_url() const;     // "http://127.0.0.1:<port>"

  std::vector<RecordedRequest> requests() const;  // in the order they arrived
  void clear_requests();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pindrel
