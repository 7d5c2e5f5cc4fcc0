// One blocking HTTP GET of an absolute http:// or https:// address.
//   fetch_bytes("http://127.0.0.1:8080/cover.jpg") == the body bytes
#pragma once

#include "foundation/text.h"
#include "net/transfer_limits.h"

namespace pindrel {

// The whole response body whatever the status code (an error page comes back
// as it was sent); an empty array on any transport failure or for an address
// of another scheme. Redirections are followed, within http and https.
// Compressed transfer is asked for and decoded; the body cap counts the
// decoded bytes, so a small compressed body that inflates past it fails.
// Runs under the program's limits (transfer_limits.h).
ByteArray fetch_bytes(const Text& address);

// The same under other limits (tests shorten them).
ByteArray fetch_bytes(const Text& address, const TransferLimits& limits);

}  // namespace pindrel
