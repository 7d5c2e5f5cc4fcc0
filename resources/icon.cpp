#include "resources/icon.h"

#include <string_view>

namespace pindrel::resources {
extern const unsigned char kIcon16Png[];
extern const unsigned long kIcon16PngSize;
extern const unsigned char kIcon32Png[];
extern const unsigned long kIcon32PngSize;
extern const unsigned char kIcon48Png[];
extern const unsigned long kIcon48PngSize;
extern const unsigned char kIcon256Png[];
extern const unsigned long kIcon256PngSize;
}  // namespace pindrel::resources

namespace pindrel {

namespace {

ByteArray picture(const unsigned char* bytes, unsigned long size) {
  return ByteArray::from_view(std::string_view(reinterpret_cast<const char*>(bytes), size));
}

}  // namespace

std::vector<ByteArray> ApplicationIconPictures() {
  using namespace resources;
  return {picture(kIcon16Png, kIcon16PngSize), picture(kIcon32Png, kIcon32PngSize),
          picture(kIcon48Png, kIcon48PngSize), picture(kIcon256Png, kIcon256PngSize)};
}

}  // namespace pindrel
