#include "icon/icon.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace icon {
namespace {

// For each of `to` new pixels along one axis of `from` source pixels: the
// source pixels it covers and how much of each, summing to 1.
struct Tap {
    int source;
    double weight;
};

std::vector<std::vector<Tap>> taps(int from, int to)
{
    std::vector<std::vector<Tap>> out(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double lo = i * step, hi = (i + 1) * step;
        for (int s = static_cast<int>(std::floor(lo)); s < std::min(from, static_cast<int>(std::ceil(hi))); ++s) {
            const double cover = std::min<double>(hi, s + 1) - std::max<double>(lo, s);
            if (cover > 0) out[static_cast<size_t>(i)].push_back({s, cover / step});
        }
    }
    return out;
}

}  // namespace

bool read_png_rgb(const std::string& path, datagen::Rgb8Image* image, std::string* error)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        *error = path + ": " + png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        *error = path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->rgb = std::move(pixels);
    return true;
}

datagen::Rgb8Image shrink(const datagen::Rgb8Image& image, int width, int height)
{
    if (width < 1 || height < 1 || width > image.width || height > image.height)
        throw std::invalid_argument("shrink: the new size must be 1 to the picture's own");
    const auto across = taps(image.width, width);
    const auto down = taps(image.height, height);
    datagen::Rgb8Image out;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum[3] = {0, 0, 0};
            for (const Tap& ty : down[static_cast<size_t>(y)])
                for (const Tap& tx : across[static_cast<size_t>(x)]) {
                    const uint8_t* p = &image.rgb[(static_cast<size_t>(ty.source) * image.width + tx.source) * 3];
                    for (int c = 0; c < 3; ++c) sum[c] += p[c] * ty.weight * tx.weight;
                }
            uint8_t* q = &out.rgb[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(std::clamp(std::lround(sum[c]), 0L, 255L));
        }
    }
    return out;
}

}  // namespace icon
