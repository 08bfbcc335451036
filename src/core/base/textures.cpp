#include "core/base/textures.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/picture_decode.h"
#include "core/base/picture_file.h"
#include "draw/gl.h"

uint32_t TextureTable[kTextureCount] = {};

namespace {

PictureFailureEnd failure_end = nullptr;

[[noreturn]] void fail_texture(const char* path, const char* reason)
{
    std::fprintf(stderr, "error loading texture '%s': %s\n", path, reason);
    if (failure_end) failure_end(1);
    std::exit(1);
}

}  // namespace

void set_picture_failure_end(PictureFailureEnd end) { failure_end = end; }

uint32_t upload_png_texture(const char* path)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);

    std::vector<uint8_t> bytes;
    const std::string error = read_picture_file(path, &bytes);
    if (!error.empty()) fail_texture(path, error.c_str());
    if (bytes.empty()) fail_texture(path, "the file is empty");
    RgbPicture picture;
    const std::string reason = decode_picture(bytes, &picture);
    if (!reason.empty()) fail_texture(path, reason.c_str());
    glTexImage2D(GL_TEXTURE_2D, 0, 3, picture.width, picture.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 picture.pixels.data());
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
