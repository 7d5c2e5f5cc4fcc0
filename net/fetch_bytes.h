// One blocking HTTP GET of an absolute http:// or https:// address.
//   fetch_bytes("http://127.0.0.1:8080/cover.jpg") == the body bytes
#pragma once

#include "foundation/text.h"

namespace pindrel {

// The whole response body whatever the status code (an error page comes back
// as it was sent); an empty array on any transport failure or for an address
// of another scheme. Redirections are followed, within http and https.
ByteArray fetch_bytes(const Text& address);

}  // namespace pindrel
