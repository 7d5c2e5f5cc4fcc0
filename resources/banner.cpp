#include "resources/banner.h"

#include <string_view>

namespace pindrel::resources {
extern const unsigned char kBannerPng[];
extern const unsigned long kBannerPngSize;
}  // namespace pindrel::resources

namespace pindrel {

ByteArray BannerPicture() {
  return ByteArray::from_view(
      std::string_view(reinterpret_cast<const char*>(resources::kBannerPng), resources::kBannerPngSize));
}

}  // namespace pindrel
