// The cartoon cow: white with black patches, pink muzzle and udder, horns,
// four legs and a tail, thick black outlines, on white.
#pragma once

#include "datagen/image.h"

namespace datagen {

constexpr int kCowSize = 256;

Rgb8Image make_cow();

}  // namespace datagen
