// The application icon as this program draws it (icon/draw_icon.cpp): PNG
// pictures of 16, 32, 48 and 256 pixels square, smallest first.
#pragma once

#include <vector>

#include "foundation/text.h"

namespace pindrel {

std::vector<ByteArray> ApplicationIconPictures();

}  // namespace pindrel
