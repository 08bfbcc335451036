// Decoded pictures as OpenGL 1.1 takes them with its default unpack state.
#pragma once
#include <cstdint>
#include <vector>

struct SDL_Surface;

// 8-bit R, G, B per pixel, top row first; each row padded to 4 bytes.
struct RgbPicture {
    int width = 0;  // 0 when the conversion failed
    int height = 0;
    int stride = 0;  // bytes per row, a multiple of 4
    std::vector<uint8_t> pixels;
};

// Converts any surface SDL can blit (any depth, palette, alpha) to RgbPicture.
// Alpha is dropped, not blended. Returns width 0 on failure.
RgbPicture picture_from_surface(SDL_Surface* surface);
