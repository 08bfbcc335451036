// PNG encoding through libpng: 8-bit RGB (colour type 2), no alpha, no
// timestamps or text chunks, so the same picture always gives the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "datagen/image.h"

namespace datagen {

// Throws std::runtime_error if libpng reports an error.
std::vector<uint8_t> encode_png(const Rgb8Image& image);

}  // namespace datagen
