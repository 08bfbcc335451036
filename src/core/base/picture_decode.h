// Turning a picture file's bytes into the RGB rows OpenGL is handed. Builds
// with SDL_image decode through it (picture_decode_sdl_image.cpp); builds
// without it, the Windows one, through stb_image (picture_decode_stb.cpp),
// to the same bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/picture.h"

// Decodes a PNG (any colour type and depth: palette, grey, alpha, 16-bit) into
// `out` as 8-bit R, G, B rows padded to 4 bytes; alpha is dropped, not
// blended. A PNG whose chunks run past its end is refused before decoding
// (png_chunks.h). Returns "" on success, else the decoder's reason in a few words for
// the start-up message ("error loading texture '<name>': <reason>"). Main
// thread (SDL_image keeps its error per process).
std::string decode_picture(const std::vector<uint8_t>& bytes, RgbPicture* out);
