// The bytes of a file embedded by embed_bytes.cmake, as a ByteArray.
//   EmbeddedBytes(kBannerPng, kBannerPngSize) == the PNG file's bytes
#pragma once

#include <string_view>

#include "foundation/text.h"

namespace pindrel {

inline ByteArray EmbeddedBytes(const unsigned char* bytes, unsigned long size) {
  return ByteArray(std::string_view(reinterpret_cast<const char*>(bytes), size));
}

}  // namespace pindrel
