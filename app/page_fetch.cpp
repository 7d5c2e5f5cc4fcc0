#include "app/page_fetch.h"

#include "foundation/text_primitives.h"
#include "net/http_request.h"

namespace pindrel {

Text FetchPage(const Text& address) { return bytes_to_text(SendHttpRequest(address)); }

}  // namespace pindrel
