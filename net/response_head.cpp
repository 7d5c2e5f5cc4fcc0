// ResponseHead: see response_head.h.
#include "net/response_head.h"

#include <cstring>

#include "foundation/ascii_case.h"

namespace pindrel {
namespace {

// The statuses libcurl follows when it is told to follow redirections.
bool is_followed_status(std::string_view code) {
  return code == "301" || code == "302" || code == "303" || code == "307" || code == "308";
}

bool has_location(std::string_view block) {
  for (std::size_t p = block.find("\r\n"); p != std::string_view::npos; p = block.find("\r\n", p + 2)) {
    if (starts_with_ascii_lower(block.substr(p + 2), "location:")) return true;
  }
  return false;
}

}  // namespace

std::string_view ResponseHead::status_code(std::string_view block) {
  const std::size_t sp = block.find(' ');
  return sp == std::string_view::npos ? std::string_view() : block.substr(sp + 1, 3);
}

bool ResponseHead::add_line(std::string_view line) {
  if (line.starts_with("HTTP/")) {
    block_.clear();
    complete_ = false;
    overflow_ = false;
  } else if (complete_) {
    return false;  // a trailer
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (block_.size() + line.size() + 2 > kMaxBlock) {
    overflow_ = true;
  } else {
    block_.append(line);
    block_.append("\r\n");
  }
  if (!line.empty()) return false;
  const std::string_view code = status_code(block_);
  // An interim response ("100 Continue") is not the final one; nor is a
  // redirection that will be followed: its block does not count until the
  // next response replaces it, so a failure on the way leaves no head at all.
  if (code.starts_with('1')) return false;
  if (follows_ && is_followed_status(code) && has_location(block_)) return true;
  complete_ = true;
  return false;
}

bool ResponseHead::copy_to(char* buffer, std::size_t size) const {
  if (!complete_ || overflow_ || block_.size() + 1 > size) return false;
  std::memcpy(buffer, block_.data(), block_.size());
  buffer[block_.size()] = '\0';
  return true;
}

}  // namespace pindrel
