// The pictures for the browser build: decoded with stb_image (emscripten's
// SDL 1.2 has no SDL_image of its own to decode from memory), otherwise as
// core/base/textures.cpp: the same files, order, upload and messages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/picture_file.h"
#include "core/base/textures.h"
#include "draw/gl.h"
#include "web_fail.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

uint32_t TextureTable[kTextureCount] = {};

namespace {

[[noreturn]] void fail_texture(const char* path, const char* reason)
{
    std::fprintf(stderr, "error loading texture '%s': %s\n", path, reason);
    web_fail();
}

}  // namespace

uint32_t upload_png_texture(const char* path)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    std::vector<uint8_t> bytes;
    const std::string error = read_picture_file(path, &bytes);
    if (!error.empty()) fail_texture(path, error.c_str());
    if (bytes.empty()) fail_texture(path, "the file is empty");
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 3);
    if (!rgb) fail_texture(path, stbi_failure_reason());
    // Rows padded to 4 bytes, OpenGL's default unpack alignment.
    const size_t row = static_cast<size_t>(width) * 3, stride = (row + 3) / 4 * 4;
    std::vector<uint8_t> pixels(stride * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) std::memcpy(&pixels[stride * y], rgb + row * y, row);
    stbi_image_free(rgb);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

void upload_pictures(const char* folder)
{
    for (int i = 0; i < kTextureCount; ++i) {
        const std::string path = folder ? std::string(folder) + "/" + kPictureFiles[i] : kPictureFiles[i];
        TextureTable[i] = upload_png_texture(path.c_str());
    }
}
