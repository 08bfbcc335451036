#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include "core/base/picture_decode.h"
#include "core/base/png_chunks.h"

std::string decode_picture(const std::vector<uint8_t>& bytes, RgbPicture* out)
{
    const std::string layout = png_chunk_error(bytes);
    if (!layout.empty()) return layout;
    SDL_ClearError();  // so that a refusal says the decoder's reason, not an older one
    SDL_Surface* surface = IMG_Load_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    if (!surface) {
        const char* decoder = IMG_GetError();
        return decoder && *decoder ? decoder : "not a picture SDL_image can decode";
    }
    // Whatever the file held (palette, grey, alpha, 16-bit, padded rows),
    // OpenGL gets rows of R, G, B bytes laid out for its default alignment.
    *out = picture_from_surface(surface);
    SDL_FreeSurface(surface);
    return out->width > 0 ? "" : "could not convert it to RGB";
}
