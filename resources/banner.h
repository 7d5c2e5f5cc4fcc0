// The banner picture of MainWindow: a 217 x 95 PNG image, the video site's
// logo as this program draws it (banner/draw_banner.cpp).
#pragma once

#include "foundation/text.h"

namespace pindrel {

ByteArray BannerPicture();

}  // namespace pindrel
