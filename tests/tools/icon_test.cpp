// The desktop icon's shrinking and the PNG reading it starts from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "data_files.h"
#include "datagen/cow.h"
#include "datagen/png_out.h"
#include "icon/icon.h"

namespace {

datagen::Rgb8Image picture(int w, int h, uint8_t (*value)(int x, int y, int c))
{
    datagen::Rgb8Image p;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) p.rgb.push_back(value(x, y, c));
    return p;
}

double mean(const datagen::Rgb8Image& p, int c)
{
    double sum = 0;
    for (size_t k = static_cast<size_t>(c); k < p.rgb.size(); k += 3) sum += p.rgb[k];
    return sum / (p.width * p.height);
}

}  // namespace

TEST(IconShrink, WholeFactorsAverageEachBlockAndKeepChannelsApart)
{
    // 4x4 in 2x2 blocks of one colour each: shrunk by 2, each block is one pixel.
    const datagen::Rgb8Image blocks = picture(4, 4, [](int x, int y, int c) -> uint8_t {
        const int block = (y / 2) * 2 + x / 2;
        return static_cast<uint8_t>(block * 60 + c * 10);
    });
    const datagen::Rgb8Image small = icon::shrink(blocks, 2, 2);
    ASSERT_EQ(small.width, 2);
    ASSERT_EQ(small.height, 2);
    for (int block = 0; block < 4; ++block)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(small.rgb[static_cast<size_t>(block * 3 + c)], block * 60 + c * 10);
    // A one-pixel checker averages to grey, not to one of its pixels.
    const datagen::Rgb8Image checker =
        picture(8, 8, [](int x, int y, int) -> uint8_t { return (x + y) % 2 ? 255 : 0; });
    for (uint8_t v : icon::shrink(checker, 4, 4).rgb) EXPECT_EQ(v, 128);
    // Shrinking to the same size changes nothing.
    EXPECT_EQ(icon::shrink(blocks, 4, 4).rgb, blocks.rgb);
}

TEST(IconShrink, UnevenFactorsKeepTheMeanAndUseEveryEdgePixel)
{
    // 256 to 48 is 5 1/3 source pixels a new pixel: a bright last column must
    // still reach the last new column, partly.
    const datagen::Rgb8Image edge = picture(256, 256, [](int x, int, int) -> uint8_t { return x == 255 ? 255 : 0; });
    const datagen::Rgb8Image small = icon::shrink(edge, 48, 48);
    EXPECT_NEAR(small.rgb[(0 * 48 + 47) * 3], 255 * 3 / 16.0, 1);  // 1 of 5 1/3 columns
    EXPECT_EQ(small.rgb[(0 * 48 + 46) * 3], 0);
    const datagen::Rgb8Image ramp = picture(
        256, 256, [](int x, int y, int c) -> uint8_t { return static_cast<uint8_t>((x * 7 + y * 3 + c) % 256); });
    for (int size : {48, 64, 100}) {
        const datagen::Rgb8Image s = icon::shrink(ramp, size, size);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(mean(s, c), mean(ramp, c), 0.5) << size;
    }
}

TEST(IconShrink, RefusesGrowingAndEmptySizes)
{
    const datagen::Rgb8Image p = picture(16, 16, [](int, int, int) -> uint8_t { return 9; });
    EXPECT_THROW(icon::shrink(p, 17, 16), std::invalid_argument);
    EXPECT_THROW(icon::shrink(p, 0, 8), std::invalid_argument);
}

TEST(IconPng, ReadsTheGeneratedCowBackPixelForPixelAndReportsBadFiles)
{
    const datagen::Rgb8Image cow = datagen::make_cow();
    datagen::Rgb8Image read;
    std::string error;
    ASSERT_TRUE(icon::read_png_rgb(data_files::path("cow.PNG"), &read, &error)) << error;
    EXPECT_EQ(read.width, cow.width);
    EXPECT_EQ(read.height, cow.height);
    EXPECT_EQ(read.rgb, cow.rgb);

    EXPECT_FALSE(icon::read_png_rgb(data_files::path("no-such.png"), &read, &error));
    EXPECT_NE(error.find("no-such.png"), std::string::npos) << error;
    const std::filesystem::path bad = std::filesystem::temp_directory_path() / "drensolk-icon-test-not.png";
    std::ofstream(bad) << "not a picture";
    EXPECT_FALSE(icon::read_png_rgb(bad.string(), &read, &error));
    std::filesystem::remove(bad);
}
