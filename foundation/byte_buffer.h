// The storage under Text and ByteArray: bytes on the C heap, always followed
// by a zero byte (so a Text has its C string for free), grown with realloc.
//
//   ByteBuffer b("ab");  b.append("cd");  b.view() == "abcd", b.data()[4] == 0
//
// realloc rather than new-copy-delete, because a page arrives in small
// pieces: for a large buffer glibc moves its pages (mremap) instead of copying
// them, so growing a body to its full size neither copies it again nor holds
// the old and the new buffer at once. Text and ByteArray share the type, so a
// fetched body becomes a Text without a copy.
#pragma once

#include <cstddef>
#include <string_view>

namespace pindrel {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(std::string_view bytes) { append(bytes); }
  ByteBuffer(const ByteBuffer& other) : ByteBuffer(other.view()) {}
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(const ByteBuffer& other);
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ~ByteBuffer();

  std::string_view view() const { return {data(), size_}; }
  // Zero-terminated; "" when empty.
  const char* data() const { return data_ != nullptr ? data_ : ""; }
  // Writable bytes (size() of them); not null even when empty.
  char* data() { return data_ != nullptr ? data_ : empty_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  void append(std::string_view more);
  // Keeps the first n bytes (n at most size()).
  void truncate(std::size_t n);

  friend bool operator==(const ByteBuffer& a, const ByteBuffer& b) { return a.view() == b.view(); }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;  // bytes usable before the terminator
  char empty_[1] = {0};
};

}  // namespace pindrel
