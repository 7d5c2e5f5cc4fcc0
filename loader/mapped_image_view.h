// A checked view of an image that lives in the process: the same bounded
// reads as the view of the input (CheckedReader), over [base, base + size) of
// the process's memory. Bytes are fetched a page at a time and the last page
// is kept, so a walk through consecutive names or table entries copies each
// page out of the process once.
//
//   const MappedImageView image(process, image_base, image_size);
//   image.read32(rva)      // nullopt outside [0, image_size) or unmapped
//   image.c_string(rva)    // the name at rva, its zero byte inside the image
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "loader/byte_view.h"
#include "loader/process_platform.h"

namespace pindrel {

class MappedImageView : public CheckedReader<MappedImageView> {
 public:
  static constexpr int64_t kPageSize = 0x1000;

  MappedImageView(ProcessPlatform& process, uint32_t base, uint32_t size)
      : process_(&process), base_(base), size_(size) {}

  int64_t size() const { return size_; }

  // The rest of the page holding offset (or of the image, if it ends first);
  // empty outside the image or when the process cannot give the page.
  std::span<const uint8_t> chunk(int64_t offset) const;

 private:
  ProcessPlatform* process_;
  uint32_t base_;
  int64_t size_;
  // The last page fetched: its image offset, and its bytes up to the image's
  // end; cached_page_ is -1 while none is held.
  mutable int64_t cached_page_ = -1;
  mutable int64_t cached_length_ = 0;
  mutable std::array<uint8_t, kPageSize> cache_{};
};

}  // namespace pindrel
