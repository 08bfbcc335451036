// The desktop icon: the generated cow picture shrunk to the icon sizes.
#pragma once

#include <string>

#include "datagen/image.h"

namespace icon {

// Reads a PNG as 8-bit RGB (alpha dropped against black, 16-bit channels
// narrowed, palettes expanded). False with `error` set when the file cannot
// be read or decoded.
bool read_png_rgb(const std::string& path, datagen::Rgb8Image* image, std::string* error);

// `image` shrunk to width x height: each new pixel is the area-weighted mean
// of the source pixels it covers, so any factor, whole or not, keeps the
// picture's mean colour. Both sides at least 1 and at most the source's.
datagen::Rgb8Image shrink(const datagen::Rgb8Image& image, int width, int height);

}  // namespace icon
