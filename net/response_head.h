// The raw header block of the final response of a transfer, built from the
// header lines as libcurl hands them over (each with its line break; a bare
// LF is taken as CRLF). A new status line (after "100 Continue" or a followed
// redirection) replaces the block before it; lines after the head (trailers
// of a chunked body) are not part of it.
//
//   ResponseHead head(/*follows=*/true);
//   head.add_line("HTTP/1.1 302 Found\r\n"); head.add_line("Location: /b\r\n");
//   head.add_line("\r\n");                    // true: a followed redirection
//   head.complete() == false                  // until the next response's head
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pindrel {

class ResponseHead {
 public:
  // A block bigger than this is not kept whole; copy_to then fails, as it
  // would for any block over the caller's buffer.
  static constexpr std::size_t kMaxBlock = 256 * 1024;

  // follows: redirections are followed, so a redirection's head is not final.
  explicit ResponseHead(bool follows) : follows_(follows) {}

  // Adds one line. True when the line ends the head of a redirection that is
  // going to be followed: a new connection comes next.
  bool add_line(std::string_view line);

  // The head of the final response is in.
  bool complete() const { return complete_; }
  const std::string& block() const { return block_; }
  // The zero-terminated block into `buffer`; false (buffer untouched) when
  // the head is not complete, was too big to keep, or does not fit in `size`
  // with its zero.
  bool copy_to(char* buffer, std::size_t size) const;

  // "HTTP/1.1 302 Found\r\n..." -> "302"; empty for a block without one.
  static std::string_view status_code(std::string_view block);

 private:
  bool follows_;
  std::string block_;
  bool complete_ = false;
  bool overflow_ = false;
};

}  // namespace pindrel
