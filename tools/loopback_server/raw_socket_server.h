// A bare TCP server on 127.0.0.1 for the cases an HTTP library would never
// produce: header blocks of any size or spelling, a connection closed in the
// middle of a body, a server that stops sending. It reads one request per
// connection (the head up to the empty line, then a body of Content-Length
// bytes) and hands the connection to a handler that writes whatever bytes it
// wants.
//
//   RawSocketServer s([](RawConnection& c) {
//     c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten..");
//     c.hold();                      // and then nothing, until the peer gives up
//   });
//   s.start();
//   ... s.base_url() + "/x" ...
//   s.requests().at(0)              // the raw bytes of the first request
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pindrel {

class RawConnection {
 public:
  RawConnection(int socket, const std::atomic<bool>& stopping, std::string request);

  // The request as read: head, empty line and Content-Length bytes of body.
  const std::string& request() const { return request_; }
  // Writes all of `bytes`; false when the peer is gone.
  bool send(std::string_view bytes);
  // False once the server stops or the peer has closed its end (checked
  // without waiting and without taking any bytes the peer sent).
  bool alive() const;
  // Keeps the connection open without writing until the peer closes it or the
  // server stops.
  void hold();
  // Closes at once (the server also closes after the handler returns).
  void close();

 private:
  int socket_;
  const std::atomic<bool>& stopping_;
  std::string request_;
};

using RawHandler = std::function<void(RawConnection&)>;

class RawSocketServer {
 public:
  explicit RawSocketServer(RawHandler handler);
  ~RawSocketServer();
  RawSocketServer(const RawSocketServer&) = delete;
  RawSocketServer& operator=(const RawSocketServer&) = delete;

  // A handler that sends `response` and closes.
  static RawHandler reply(std::string response);

  // Binds 127.0.0.1 (port 0: an ephemeral one); returns once it listens.
  bool start(int port = 0);
  // Unblocks every handler in hold(), closes every connection, joins the threads.
  void stop();

  int port() const;
  std::string base_url() const;  // "http://127.0.0.1:<port>"
  std::vector<std::string> requests() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pindrel
