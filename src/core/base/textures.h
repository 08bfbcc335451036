// The seven pictures as OpenGL textures, in load order.
#pragma once
#include <cstdint>

#include "core/base/demo_data.h"
#include "draw/shapes.h"

// One texture per picture of kPictureFiles, same index.
constexpr int kTextureCount = kPictureCount;
extern uint32_t TextureTable[kTextureCount];

// Loads one picture and returns a new bound texture holding it as 24-bit RGB.
// Any PNG decode_picture takes is converted first. The file is read as
// read_picture_file reads it (a named pipe never blocks). On a file that
// cannot be read or decoded it writes "error loading texture '<path>':
// <reason>" to the standard error stream and exits with status 1.
uint32_t upload_png_texture(const char* path);

// Opens and closes its own GL_QUADS: picture `texture_index` (0..6) of
// TextureTable, w by h, turned by `angle`, centred on (cx, cy). Leaves
// GL_TEXTURE_2D off and the texture bound.
inline void textured_panel(float w, float h, float cx, float cy, int texture_index, float angle)
{
    textured_quad(w, h, cx, cy, TextureTable[texture_index], angle);
}

// Uploads the seven pictures into TextureTable in index order, from `folder`
// (the working folder when null). Exits as upload_png_texture does.
void upload_pictures(const char* folder = nullptr);

// How a failed picture ends the process after its message: std::exit by
// default. The browser build, whose main loop keeps its runtime alive past
// exit, ends on its page instead. Call before the upload; null restores the
// default.
using PictureFailureEnd = void (*)(int status);
void set_picture_failure_end(PictureFailureEnd end);
