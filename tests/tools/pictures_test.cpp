// The seven pictures as the demo loads them: through SDL_image, 24-bit RGB,
// power-of-two sizes; and each one what it claims to be.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "data_files.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    double r(int x, int y) const { return rgb[static_cast<size_t>((y * width + x) * 3)]; }
    double g(int x, int y) const { return rgb[static_cast<size_t>((y * width + x) * 3 + 1)]; }
    double b(int x, int y) const { return rgb[static_cast<size_t>((y * width + x) * 3 + 2)]; }
};

// Loads through IMG_Load and copies the pixels out in R, G, B order.
std::unique_ptr<Picture> load(const std::string& name, int* bits_per_pixel)
{
    SDL_Surface* s = IMG_Load(data_files::path(name).c_str());
    if (!s) return nullptr;
    *bits_per_pixel = s->format->BitsPerPixel;
    auto p = std::make_unique<Picture>();
    p->width = s->w;
    p->height = s->h;
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            const uint8_t* px = static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
            uint32_t v = 0;
            for (int k = 0; k < s->format->BytesPerPixel; ++k) v |= static_cast<uint32_t>(px[k]) << (8 * k);
            uint8_t r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            p->rgb.insert(p->rgb.end(), {r, g, b});
        }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    return p;
}

bool power_of_two(int v) { return v > 0 && (v & (v - 1)) == 0; }

const char* const kPaintings[] = {"paintart1.PNG", "paintart2.PNG", "paintart3.PNG",
                                  "paintart4.png", "paintart5.png", "paintart6.PNG"};

TEST(Pictures, DecodeAs24BitRgbWithPowerOfTwoSizes)
{
    struct Expect {
        const char* name;
        int w, h;
    };
    std::vector<Expect> all;
    for (const char* n : kPaintings) all.push_back({n, 512, 128});
    all.push_back({"cow.PNG", 256, 256});
    for (const Expect& e : all) {
        int bpp = 0;
        const auto p = load(e.name, &bpp);
        ASSERT_NE(p, nullptr) << e.name << ": " << IMG_GetError();
        EXPECT_EQ(bpp, 24) << e.name;
        EXPECT_EQ(p->width, e.w) << e.name;
        EXPECT_EQ(p->height, e.h) << e.name;
        EXPECT_TRUE(power_of_two(p->width) && power_of_two(p->height)) << e.name;
    }
}

TEST(Pictures, PngHeaderSaysRgbEightBitWithoutPaletteOrTransparency)
{
    std::vector<std::string> names(std::begin(kPaintings), std::end(kPaintings));
    names.push_back("cow.PNG");
    for (const std::string& name : names) {
        const auto bytes = data_files::read(name);
        ASSERT_GT(bytes.size(), 33u) << name;
        EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR") << name;
        EXPECT_EQ(bytes[24], 8) << name << ": bit depth";
        EXPECT_EQ(bytes[25], 2) << name << ": colour type";
        // Walk the chunks: no palette, no transparency, no timestamp.
        size_t at = 8;
        while (at + 8 <= bytes.size()) {
            const uint32_t length = (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
            const std::string type(bytes.begin() + static_cast<long>(at) + 4,
                                   bytes.begin() + static_cast<long>(at) + 8);
            EXPECT_NE(type, "PLTE") << name;
            EXPECT_NE(type, "tRNS") << name;
            EXPECT_NE(type, "tIME") << name;
            at += 12 + length;
        }
        EXPECT_EQ(at, bytes.size()) << name << ": chunks do not add up";
    }
}

// Mean saturation (max - min channel, 0..255) over the picture.
double colourfulness(const Picture& p)
{
    double sum = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const double hi = std::max({p.r(x, y), p.g(x, y), p.b(x, y)});
            const double lo = std::min({p.r(x, y), p.g(x, y), p.b(x, y)});
            sum += hi - lo;
        }
    return sum / (p.width * p.height);
}

TEST(Pictures, PaintingsAreColourfulTexturedAndDistinct)
{
    std::vector<std::unique_ptr<Picture>> pics;
    for (const char* n : kPaintings) {
        int bpp = 0;
        pics.push_back(load(n, &bpp));
        ASSERT_NE(pics.back(), nullptr) << n;
    }
    for (size_t i = 0; i < pics.size(); ++i) {
        const Picture& p = *pics[i];
        EXPECT_GT(colourfulness(p), 40.0) << kPaintings[i];
        // Brush strokes and canvas: neighbouring pixels differ, the picture is not flat.
        double edges = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 1; x < p.width; ++x) edges += std::fabs(p.g(x, y) - p.g(x - 1, y));
        EXPECT_GT(edges / (p.width * p.height), 3.0) << kPaintings[i];
        for (size_t j = 0; j < i; ++j) {
            double diff = 0;
            for (size_t k = 0; k < p.rgb.size(); ++k)
                diff += std::fabs(static_cast<double>(p.rgb[k]) - pics[j]->rgb[k]);
            EXPECT_GT(diff / p.rgb.size(), 30.0) << kPaintings[i] << " looks like " << kPaintings[j];
        }
    }
}

TEST(Pictures, CowIsWhiteWithBlackPatchesPinkMuzzleOnWhite)
{
    int bpp = 0;
    const auto cow = load("cow.PNG", &bpp);
    ASSERT_NE(cow, nullptr);
    int white = 0, black = 0, pink = 0;
    for (int y = 0; y < cow->height; ++y)
        for (int x = 0; x < cow->width; ++x) {
            const double r = cow->r(x, y), g = cow->g(x, y), b = cow->b(x, y);
            if (r > 240 && g > 240 && b > 240) ++white;
            if (r < 40 && g < 40 && b < 40) ++black;
            if (r > 200 && g > 110 && g < 190 && b > 130 && b < 210) ++pink;
        }
    const int total = cow->width * cow->height;
    // Corners are background: pure white.
    for (int c : {0, 255}) {
        EXPECT_GT(cow->r(c, c), 250);
        EXPECT_GT(cow->b(c, 255 - c), 250);
    }
    EXPECT_GT(white, total / 2);
    EXPECT_GT(black, total / 20);  // outlines and patches: the contrast the blend needs
    EXPECT_GT(pink, total / 100);  // muzzle and udder
}

}  // namespace
