#include "resources/icon.h"

#include "resources/embedded_bytes.h"

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

std::vector<ByteArray> ApplicationIconPictures() {
  using namespace resources;
  return {EmbeddedBytes(kIcon16Png, kIcon16PngSize), EmbeddedBytes(kIcon32Png, kIcon32PngSize),
          EmbeddedBytes(kIcon48Png, kIcon48PngSize), EmbeddedBytes(kIcon256Png, kIcon256PngSize)};
}

}  // namespace pindrel
