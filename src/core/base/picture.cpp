#include "core/base/picture.h"

#include <SDL/SDL.h>

#include <cstring>

RgbPicture picture_from_surface(SDL_Surface* surface)
{
    RgbPicture out;
    if (!surface || surface->w <= 0 || surface->h <= 0) return out;

    // A 24-bit surface whose bytes run R, G, B in memory, whatever the host order.
    SDL_PixelFormat format{};
    format.BitsPerPixel = 24;
    format.BytesPerPixel = 3;
    const bool big = SDL_BYTEORDER == SDL_BIG_ENDIAN;
    format.Rmask = big ? 0xff0000 : 0x0000ff;
    format.Gmask = 0x00ff00;
    format.Bmask = big ? 0x0000ff : 0xff0000;
    format.Rshift = big ? 16 : 0;
    format.Gshift = 8;
    format.Bshift = big ? 0 : 16;
    format.alpha = 255;

    // Copy alpha as-is rather than blending it against the destination.
    if (surface->flags & SDL_SRCALPHA) SDL_SetAlpha(surface, 0, 255);
    SDL_Surface* rgb = SDL_ConvertSurface(surface, &format, SDL_SWSURFACE);
    if (!rgb) return out;

    const int w = rgb->w, h = rgb->h;
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    out.pixels.assign(stride * static_cast<size_t>(h), 0);
    SDL_LockSurface(rgb);
    const auto* src = static_cast<const uint8_t*>(rgb->pixels);
    for (int y = 0; y < h; ++y)
        std::memcpy(&out.pixels[stride * y], src + static_cast<size_t>(rgb->pitch) * y, static_cast<size_t>(w) * 3);
    SDL_UnlockSurface(rgb);
    SDL_FreeSurface(rgb);
    out.width = w;
    out.height = h;
    out.stride = static_cast<int>(stride);
    return out;
}
