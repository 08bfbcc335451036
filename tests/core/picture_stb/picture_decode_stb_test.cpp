// The Windows build decodes the pictures with stb_image instead of SDL_image:
// it must hand OpenGL the very bytes the Linux build hands it, for the demo's
// pictures and for any PNG layout a replaced picture might have.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>
#include <png.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/base/demo_data.h"
#include "core/base/picture_decode.h"
#include "hostile/hostile_data.h"

namespace {

// What the SDL_image build uploads for the same bytes.
RgbPicture decode_with_sdl_image(const std::vector<uint8_t>& bytes)
{
    SDL_Surface* surface = IMG_Load_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    if (!surface) return {};
    RgbPicture picture = picture_from_surface(surface);
    SDL_FreeSurface(surface);
    return picture;
}

void expect_same_as_sdl_image(const std::vector<uint8_t>& bytes, const std::string& what)
{
    const RgbPicture want = decode_with_sdl_image(bytes);
    ASSERT_GT(want.width, 0) << what << ": SDL_image refused it";
    RgbPicture got;
    ASSERT_EQ(decode_picture(bytes, &got), "") << what;
    EXPECT_EQ(got.width, want.width) << what;
    EXPECT_EQ(got.height, want.height) << what;
    EXPECT_EQ(got.stride, want.stride) << what;
    EXPECT_TRUE(got.pixels == want.pixels) << what << ": the RGB bytes differ";
}

TEST(PictureDecodeStb, TheDemosPicturesDecodeToSdlImagesBytes)
{
    for (const char* name : kPictureFiles) {
        std::ifstream file(std::string(DRENSOLK_DATA_DIR) + "/" + name, std::ios::binary);
        ASSERT_TRUE(file) << name;
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
        expect_same_as_sdl_image(bytes, name);
    }
}

// Palette, grey, alpha and 16-bit samples, and widths whose rows need
// padding to 4 bytes.
TEST(PictureDecodeStb, EveryPngLayoutDecodesToSdlImagesBytes)
{
    const hostile::PngLayout layouts[] = {
        {PNG_COLOR_TYPE_RGB, 8, 5, 3},        {PNG_COLOR_TYPE_RGB, 16, 7, 4},       {PNG_COLOR_TYPE_RGB_ALPHA, 8, 3, 5},
        {PNG_COLOR_TYPE_RGB_ALPHA, 16, 6, 2}, {PNG_COLOR_TYPE_GRAY, 8, 9, 3},       {PNG_COLOR_TYPE_GRAY, 1, 13, 2},
        {PNG_COLOR_TYPE_GRAY, 16, 3, 3},      {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 5, 5}, {PNG_COLOR_TYPE_PALETTE, 8, 11, 3},
        {PNG_COLOR_TYPE_PALETTE, 4, 7, 7},    {PNG_COLOR_TYPE_PALETTE, 2, 1, 9},    {PNG_COLOR_TYPE_RGB, 8, 64, 64},
    };
    for (const hostile::PngLayout& l : layouts)
        expect_same_as_sdl_image(hostile::make_png(l), "colour type " + std::to_string(l.color_type) + ", " +
                                                           std::to_string(l.bit_depth) + " bits, " +
                                                           std::to_string(l.width) + "x" + std::to_string(l.height));
}

TEST(PictureDecodeStb, RefusesWhatIsNotAWholePngWithAReason)
{
    std::vector<uint8_t> cut = hostile::make_png({PNG_COLOR_TYPE_RGB, 8, 16, 16});
    cut.resize(cut.size() / 2);
    const std::vector<uint8_t> bitmap = hostile::make_bmp(4, 4);  // stb could read it; the loader takes PNG only
    for (const auto& bytes : {cut, bitmap, std::vector<uint8_t>{'n', 'o', 't'}}) {
        RgbPicture picture;
        EXPECT_NE(decode_picture(bytes, &picture), "");
        EXPECT_EQ(picture.width, 0);
    }
}

}  // namespace
