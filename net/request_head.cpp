// The request side of the libcurl transport: see request_head.h.
#include "net/request_head.h"

#include <algorithm>

#include "foundation/ascii_case.h"

namespace pindrel {

bool IsPlainHost(std::string_view host) {
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_';
  });
}

bool IsPlainPath(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  return std::none_of(path.begin(), path.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string EscapeSpaces(std::string_view path) {
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

std::string WithoutLineBreaks(std::string_view text) {
  std::string out(text);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return out;
}

CurlSlist HeaderListFromBlock(std::string_view block) {
  CurlSlist list;
  bool complete = true;
  // curl_slist_append returns the list's head, or null (leaving the list as it
  // was) when it cannot allocate.
  auto add = [&list, &complete](const std::string& line) {
    curl_slist* head = curl_slist_append(list.get(), line.c_str());
    if (head == nullptr) {
      complete = false;
      return;
    }
    (void)list.release();
    list.reset(head);
  };
  bool has_accept = false;
  bool has_expect = false;
  bool has_content_type = false;
  while (!block.empty()) {
    const std::size_t end = block.find("\r\n");
    const std::string line = WithoutLineBreaks(block.substr(0, end));
    block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    std::string_view name = std::string_view(line).substr(0, colon);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    has_accept |= equals_ascii_lower(name, "accept");
    has_expect |= equals_ascii_lower(name, "expect");
    has_content_type |= equals_ascii_lower(name, "content-type");
    const bool no_value = line.find_first_not_of(' ', colon + 1) == std::string::npos;
    add(no_value ? line.substr(0, colon) + ";" : line);
  }
  if (!has_accept) add("Accept:");
  if (!has_expect) add("Expect:");
  if (!has_content_type) add("Content-Type:");
  if (!complete) list.reset();
  return list;
}

}  // namespace pindrel
