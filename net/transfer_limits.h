// The limits every blocking transfer of this library runs under, shared by
// SendHttpRequest's transport and fetch_bytes. The defaults are the program's
// own; tests shorten them.
//
//   TransferLimits limits;                 // the program's limits
//   limits.deadline = std::chrono::seconds(2);
//   fetch_bytes(address, limits);          // gives up two seconds after it starts
//
// The connect and idle time-outs are the ones WinInet has by default. The
// others keep a hostile or broken server from holding the caller (the GUI
// thread) or its memory without bound: a body that never ends, a trickle of a
// byte now and then, a chain of slow redirections.
#pragma once

#include <chrono>
#include <cstddef>

namespace pindrel {

struct TransferLimits {
  // Setting up one connection (and its TLS session).
  std::chrono::milliseconds connect_timeout{60'000};
  // No byte received or sent for this long ends the exchange.
  std::chrono::milliseconds idle_timeout{30'000};
  // Fewer than `low_speed_bytes` received in a window of `low_speed_window`
  // ends the exchange. The first window opens with the first byte received and
  // runs on across redirections.
  std::size_t low_speed_bytes = 1024;
  std::chrono::milliseconds low_speed_window{30'000};
  // The whole exchange, every redirection included, from the moment the
  // request goes out.
  std::chrono::milliseconds deadline{5 * 60'000};
  // The most body bytes accepted (after any content decoding); a longer body
  // fails the exchange.
  std::size_t max_body_bytes = std::size_t{64} << 20;
  long max_redirects = 10;
};

}  // namespace pindrel
