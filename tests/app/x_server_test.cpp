// Reading xwd dumps: the screen tests judge pixels through this parser, so a
// swapped channel or a wrong stride would make them pass or fail for nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/x_server.h"

namespace {

void put32(std::string* b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) b->push_back(static_cast<char>((v >> shift) & 0xff));
}

// A width x 1 dump with one colour entry; `pixels` are stored as given.
std::string xwd(uint32_t width, uint32_t byte_order, uint32_t bytes_per_line, uint32_t visual_class,
                const std::string& pixels, uint32_t red_mask = 0xff0000)
{
    const std::string name = "x";
    std::string b;
    const uint32_t fields[25] = {100 + uint32_t(name.size()),
                                 7,
                                 2,
                                 24,
                                 width,
                                 1,
                                 0,
                                 byte_order,
                                 32,
                                 0,
                                 32,
                                 32,
                                 bytes_per_line,
                                 visual_class,
                                 red_mask,
                                 0xff00,
                                 0xff,
                                 8,
                                 1,
                                 1,
                                 width,
                                 1,
                                 0,
                                 0,
                                 0};
    for (uint32_t f : fields) put32(&b, f);
    b += name;
    b += std::string(12, '\0');  // the colour entry
    return b + pixels;
}

void expect_rgb(const ScreenShot& s, int x, uint8_t r, uint8_t g, uint8_t b)
{
    EXPECT_EQ(s.at(x, 0)[0], r) << "pixel " << x;
    EXPECT_EQ(s.at(x, 0)[1], g) << "pixel " << x;
    EXPECT_EQ(s.at(x, 0)[2], b) << "pixel " << x;
}

TEST(ParseXwd, ReadsFourByteTrueColorPixelsInEitherByteOrder)
{
    ScreenShot s;
    std::string error;
    // Least significant byte first: blue, green, red, pad.
    ASSERT_TRUE(parse_xwd(xwd(2, 0, 8, 4, std::string("\x03\x02\x01\xff\x30\x20\x10\x00", 8)), &s, &error)) << error;
    ASSERT_EQ(s.width, 2);
    ASSERT_EQ(s.height, 1);
    expect_rgb(s, 0, 1, 2, 3);
    expect_rgb(s, 1, 0x10, 0x20, 0x30);
    ASSERT_TRUE(parse_xwd(xwd(1, 1, 4, 4, std::string("\xff\x01\x02\x03", 4)), &s, &error)) << error;
    expect_rgb(s, 0, 1, 2, 3);
}

TEST(ParseXwd, ReadsDirectColorAndThreeBytePixels)
{
    ScreenShot s;
    std::string error;
    ASSERT_TRUE(parse_xwd(xwd(2, 0, 6, 5, std::string("\x03\x02\x01\x06\x05\x04", 6)), &s, &error)) << error;
    expect_rgb(s, 0, 1, 2, 3);
    expect_rgb(s, 1, 4, 5, 6);
}

TEST(ParseXwd, RefusesOtherVisualsAndShortFiles)
{
    ScreenShot s;
    std::string error;
    const std::string four(4, '\0');
    EXPECT_FALSE(parse_xwd(xwd(1, 0, 4, 3, four), &s, &error));  // PseudoColor
    EXPECT_FALSE(parse_xwd(xwd(1, 0, 4, 4, four, 0xf800), &s, &error));
    EXPECT_FALSE(parse_xwd(xwd(2, 0, 8, 4, four), &s, &error));  // half the pixels
    EXPECT_NE(error, "");
    EXPECT_FALSE(parse_xwd(std::string(50, '\0'), &s, &error));
    EXPECT_FALSE(parse_xwd(xwd(1, 0, 9, 4, std::string(9, '\0')), &s, &error));  // 9 bytes a pixel
}

}  // namespace
