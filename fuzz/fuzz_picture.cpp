// libFuzzer target for the picture path: any bytes the PNG chunk check lets
// through, decoded by SDL_image as IMG_Load would decode a file, then converted
// by picture_from_surface to the tightly packed 24-bit RGB that is uploaded.
// Checks the conversion's layout and that its corners keep the surface's
// colours.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/base/picture.h"
#include "core/base/png_chunks.h"

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

// Pixel (x, y) of a locked surface, as its format's colours.
bool same_rgb(const SDL_Surface* s, int x, int y, const uint8_t* rgb)
{
    const int bpp = s->format->BytesPerPixel;
    const uint8_t* p =
        static_cast<const uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch + static_cast<size_t>(x) * bpp;
    Uint32 v = 0;
    switch (bpp) {
        case 1:
            v = p[0];
            break;
        case 2:
            v = *reinterpret_cast<const Uint16*>(p);
            break;
        case 3:
            v = SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16 : p[2] | p[1] << 8 | p[0] << 16;
            break;
        case 4:
            v = *reinterpret_cast<const Uint32*>(p);
            break;
        default:
            return false;
    }
    // An index past the file's palette has no colour: SDL's blit and
    // SDL_GetRGB give it different ones (white, black). Nothing to compare.
    if (s->format->palette && v >= static_cast<Uint32>(s->format->palette->ncolors)) return true;
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return rgb[0] == r && rgb[1] == g && rgb[2] == b;
}

}  // namespace

extern "C" const char* __asan_default_options()
{
    // A header that claims a huge picture makes SDL ask for gigabytes: let
    // that fail as on a small machine (SDL_image then reports an error)
    // instead of stopping the fuzzer as an out-of-memory crash.
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // As the demo's decode_picture: a chunk running past the end never reaches
    // libpng, which would read it as that many bytes of nothing.
    if (!png_chunk_error(std::vector<uint8_t>(data, data + size)).empty()) return 0;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) return 0;
    SDL_Surface* surface = IMG_Load_RW(rw, 1);
    if (!surface) return 0;
    const RgbPicture picture = picture_from_surface(surface);
    if (picture.width > 0) {
        check(picture.width == surface->w && picture.height == surface->h);
        check(picture.stride % 4 == 0 && picture.stride >= picture.width * 3 && picture.stride < picture.width * 3 + 4);
        check(picture.pixels.size() == static_cast<size_t>(picture.stride) * static_cast<size_t>(picture.height));
        // The corners keep their colours (alpha dropped, not blended).
        SDL_LockSurface(surface);
        for (const int x : {0, surface->w - 1})
            for (const int y : {0, surface->h - 1}) {
                check(same_rgb(surface, x, y, &picture.pixels[static_cast<size_t>(y) * picture.stride + x * 3]));
            }
        SDL_UnlockSurface(surface);
    }
    SDL_FreeSurface(surface);
    return 0;
}
