// Handlers for RawSocketServer that play servers a client must not trust:
// bodies without end, trickles, slow redirections (and a large honest body
// to compare with). Each runs until the peer
// gives up or the server stops.
//
//   RawSocketServer endless(EndlessBody(/*chunked=*/true));
//   RawSocketServer trickle(Trickle(std::chrono::milliseconds(50)));
//   RawSocketServer chain(SlowRedirection(std::chrono::milliseconds(300), "/again"));
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "tools/loopback_server/raw_socket_server.h"

namespace pindrel {

// "HTTP/1.1 200 OK" and then 64 KiB blocks of letters for ever: in chunked
// encoding, or with no length at all (the body would end when the connection
// closes).
RawHandler EndlessBody(bool chunked);

// A finite body of `bytes` letters with its Content-Length, made as it is
// sent (the server holds only 64 KiB of it).
RawHandler LargeBody(std::size_t bytes);

// A head that announces 100000 bytes ("Content-Length: 100000"), then one
// byte "x" every `every`, until all are sent.
RawHandler Trickle(std::chrono::milliseconds every);

// Silence for `silence`, then "302 Found" to `location` with an empty body.
RawHandler SlowRedirection(std::chrono::milliseconds silence, std::string location);

}  // namespace pindrel
