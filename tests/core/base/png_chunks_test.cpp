// The chunk check that keeps libpng from reading past a picture's end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/png_chunks.h"

namespace {

void chunk(std::vector<uint8_t>* png, uint32_t length, const char* type, size_t data_bytes)
{
    for (int shift = 24; shift >= 0; shift -= 8) png->push_back(static_cast<uint8_t>(length >> shift));
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), data_bytes + 4, 0x5A);  // data, then a checksum the check never reads
}

// Signature, IHDR, one IDAT of `idat_claims` bytes holding `idat_holds`, IEND.
std::vector<uint8_t> png_with(uint32_t idat_claims, size_t idat_holds, bool with_iend = true)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(&png, 13, "IHDR", 13);
    chunk(&png, idat_claims, "IDAT", idat_holds);
    if (with_iend) chunk(&png, 0, "IEND", 0);
    return png;
}

TEST(PngChunks, AWholeFileOrAnotherFormatPasses)
{
    EXPECT_EQ(png_chunk_error(png_with(40, 40)), "");
    EXPECT_EQ(png_chunk_error(png_with(0, 0)), "");
    std::vector<uint8_t> trailing = png_with(40, 40);
    trailing.insert(trailing.end(), {1, 2, 3});  // after IEND: never read
    EXPECT_EQ(png_chunk_error(trailing), "");
    // Not a PNG: the decoder's to judge.
    for (const std::vector<uint8_t>& other :
         {std::vector<uint8_t>{'B', 'M', 0, 0}, std::vector<uint8_t>{}, std::vector<uint8_t>{0x89, 'P', 'N', 'G'}})
        EXPECT_EQ(png_chunk_error(other), "");
}

TEST(PngChunks, AChunkClaimingMoreThanTheFileHoldsIsRefused)
{
    // What a fuzzer found: a gigabyte claimed, a few dozen bytes there.
    EXPECT_EQ(png_chunk_error(png_with(0x40000000, 40)), "the file ends inside its IDAT chunk");
    EXPECT_EQ(png_chunk_error(png_with(0xFFFFFFFF, 40)), "the file ends inside its IDAT chunk");
    std::vector<uint8_t> unnamed = png_with(0x40000000, 40);
    unnamed[8 + 25 + 4] = 0x00;  // the IDAT's type, no longer letters
    EXPECT_EQ(png_chunk_error(unnamed), "the file ends inside a chunk");
}

TEST(PngChunks, EveryCutOfAWholeFileIsRefused)
{
    const std::vector<uint8_t> whole = png_with(40, 40);
    for (size_t size = 8; size < whole.size(); ++size) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_NE(png_chunk_error(cut), "") << "cut to " << size << " bytes";
    }
    EXPECT_EQ(png_chunk_error(png_with(40, 40, false)), "the file ends before its IEND chunk");
    EXPECT_EQ(png_chunk_error(std::vector<uint8_t>(whole.begin(), whole.begin() + 8 + 25 + 52 + 3)),
              "the file ends before its IEND chunk");
}

}  // namespace
