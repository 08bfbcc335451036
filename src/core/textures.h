// The seven pictures as OpenGL textures, in load order.
#pragma once
#include <cstdint>

constexpr int TEXTURE_COUNT = 7;
extern uint32_t TextureTable[TEXTURE_COUNT];
// File names, index order; exact case matters.
extern const char* const texture_files[TEXTURE_COUNT];

// Loads one picture and returns a new bound texture holding it as 24-bit RGB.
// Any picture SDL_image decodes is converted first. On a file that cannot be
// decoded it writes "error loading texture '<path>': <reason>" through perror
// and exits with status 1.
uint32_t upload_png_texture(const char* path);
