// The skin engine's image and the 33 skins, as the program stores them in its
// constant data. The skins lie back to back in number order in one
// page-aligned block padded to whole pages, so that the block can be mapped
// into the emulated process as it is, without a copy.
//
//   std::span<const uint8_t> first = SkinBlobs()[0];   // skin 1, ".SHE..."
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "foundation/text.h"

namespace pindrel {

inline constexpr int kSkinCount = 33;

// The engine, a PE32 DLL image beginning with "MZ" (skin_engine.c).
ByteArray SkinEngineImage();

// Skin n (1 to 33) is SkinBlobs()[n - 1]; each begins with ".SHE".
const std::array<std::span<const uint8_t>, kSkinCount>& SkinBlobs();

// The whole block that holds the skins: 4096-aligned, a whole number of pages.
std::span<const uint8_t> SkinData();

}  // namespace pindrel
