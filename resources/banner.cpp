#include "resources/banner.h"

#include "resources/embedded_bytes.h"

namespace pindrel::resources {
extern const unsigned char kBannerPng[];
extern const unsigned long kBannerPngSize;
}  // namespace pindrel::resources

namespace pindrel {

ByteArray BannerPicture() { return EmbeddedBytes(resources::kBannerPng, resources::kBannerPngSize); }

}  // namespace pindrel
