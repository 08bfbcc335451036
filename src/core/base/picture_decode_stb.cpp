// stb_image (Debian's libstb-dev, header only) for builds without SDL_image.
// Its 8-bit RGB output is what SDL_image's surface converts to: palette and
// grey expanded, 16-bit samples cut to their high byte, alpha dropped.
#include <cstring>

#include "core/base/picture_decode.h"
#include "core/base/png_chunks.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

std::string decode_picture(const std::vector<uint8_t>& bytes, RgbPicture* out)
{
    *out = RgbPicture{};
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) return "larger than stb_image reads";
    // stb_image reads within the bytes anyway; this gives both builds one reason.
    const std::string layout = png_chunk_error(bytes);
    if (!layout.empty()) return layout;
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 3);
    if (!rgb) return stbi_failure_reason();
    const size_t row = static_cast<size_t>(width) * 3, stride = (row + 3) & ~static_cast<size_t>(3);
    out->pixels.assign(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) std::memcpy(&out->pixels[stride * y], rgb + row * y, row);
    stbi_image_free(rgb);
    out->width = width;
    out->height = height;
    out->stride = static_cast<int>(stride);
    return "";
}
