#include "core/base/textures.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/picture.h"
#include "draw/gl.h"

uint32_t TextureTable[kTextureCount] = {};

uint32_t upload_png_texture(const char* path)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);

    errno = 0;
    SDL_Surface* surface = IMG_Load(path);
    if (!surface) {
        char message[512];
        std::snprintf(message, sizeof message, "error loading texture '%s'", path);
        // A file the system could not read leaves errno set; a file the
        // decoder refused leaves it 0, and perror would print "Success":
        // say then what the decoder said.
        const char* decoder = IMG_GetError();
        if (errno == 0 && decoder && *decoder)
            std::fprintf(stderr, "%s: %s\n", message, decoder);
        else {
            if (errno == 0) errno = EINVAL;
            std::perror(message);
        }
        std::exit(1);
    }
    // Whatever the file held (palette, grey, alpha, 16-bit, padded rows),
    // OpenGL gets rows of R, G, B bytes laid out for its default alignment.
    const RgbPicture picture = picture_from_surface(surface);
    SDL_FreeSurface(surface);
    if (picture.width <= 0) {
        std::fprintf(stderr, "error loading texture '%s': could not convert it to RGB\n", path);
        std::exit(1);
    }
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
