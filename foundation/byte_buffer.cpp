#include "foundation/byte_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace pindrel {

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
  if (this != &other) {
    ByteBuffer copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteBuffer::~ByteBuffer() { std::free(data_); }

void ByteBuffer::append(std::string_view more) {
  if (more.empty()) return;
  const std::size_t needed = size_ + more.size();
  if (needed > capacity_) {
    // Doubling keeps the number of reallocations logarithmic; the first
    // allocation is exact, as most buffers are built in one go.
    const std::size_t grown = capacity_ == 0 ? needed : std::max(needed, capacity_ * 2);
    void* moved = std::realloc(data_, grown + 1);
    if (moved == nullptr) throw std::bad_alloc();
    data_ = static_cast<char*>(moved);
    capacity_ = grown;
  }
  std::memcpy(data_ + size_, more.data(), more.size());
  size_ = needed;
  data_[size_] = '\0';
}

void ByteBuffer::truncate(std::size_t n) {
  if (n >= size_) return;
  size_ = n;
  data_[size_] = '\0';
}

}  // namespace pindrel
