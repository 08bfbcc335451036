// The six abstract paintings: layered brush strokes over a canvas weave,
// each with its own palette, ground and flow of strokes.
#pragma once

#include "datagen/image.h"

namespace datagen {

constexpr int kPaintingWidth = 512;
constexpr int kPaintingHeight = 128;
constexpr int kPaintingCount = 6;

// index 0..5; the same index always paints the same picture.
Rgb8Image make_painting(int index);

}  // namespace datagen
