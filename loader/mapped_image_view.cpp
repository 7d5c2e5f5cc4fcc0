#include "loader/mapped_image_view.h"

#include <algorithm>

namespace pindrel {

std::span<const uint8_t> MappedImageView::chunk(int64_t offset) const {
  if (offset < 0 || offset >= size_) return {};
  const int64_t page = offset - offset % kPageSize;
  if (page != cached_page_) {
    const int64_t length = std::min(kPageSize, size_ - page);
    cached_page_ = -1;  // until the copy has succeeded
    if (!process_->CopyFromProcess(base_ + static_cast<uint32_t>(page),
                                   std::span<uint8_t>(cache_.data(), static_cast<std::size_t>(length))))
      return {};
    cached_page_ = page;
    cached_length_ = length;
  }
  return std::span<const uint8_t>(cache_.data(), static_cast<std::size_t>(cached_length_))
      .subspan(static_cast<std::size_t>(offset - page));
}

}  // namespace pindrel
