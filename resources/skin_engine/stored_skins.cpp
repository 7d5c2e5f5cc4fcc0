#include "resources/skin_engine/stored_skins.h"

#include "resources/embedded_bytes.h"

namespace pindrel::resources {
extern const unsigned char kSkinEngineImage[];
extern const unsigned long kSkinEngineImageSize;
extern const unsigned char kSkinData[];
extern const unsigned long kSkinDataSize;
extern const unsigned int kSkinOffsets[];
}  // namespace pindrel::resources

namespace pindrel {

ByteArray SkinEngineImage() {
  return EmbeddedBytes(resources::kSkinEngineImage, resources::kSkinEngineImageSize);
}

std::span<const uint8_t> SkinData() { return {resources::kSkinData, resources::kSkinDataSize}; }

const std::array<std::span<const uint8_t>, kSkinCount>& SkinBlobs() {
  static const std::array<std::span<const uint8_t>, kSkinCount> blobs = [] {
    std::array<std::span<const uint8_t>, kSkinCount> out;
    for (int i = 0; i < kSkinCount; ++i)
      out[i] = SkinData().subspan(resources::kSkinOffsets[i], resources::kSkinOffsets[i + 1] - resources::kSkinOffsets[i]);
    return out;
  }();
  return blobs;
}

}  // namespace pindrel
