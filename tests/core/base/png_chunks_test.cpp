// The chunk check that keeps libpng from reading past a picture's end.
#include <gtest/gtest.h>

#include <vector>

#include "core/base/png_chunks.h"

namespace {

// Signature, IHDR, an IDAT claiming `idat_claims` bytes and holding 40, IEND.
// Chunk data and checksums are filler: the check reads lengths only.
std::vector<uint8_t> png_with(uint32_t idat_claims)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](uint32_t length, const char* type, size_t data_bytes) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(length >> shift));
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data_bytes + 4, 0x5A);
    };
    chunk(13, "IHDR", 13);
    chunk(idat_claims, "IDAT", 40);
    chunk(0, "IEND", 0);
    return png;
}

TEST(PngChunks, WholeFilesAndOtherFormatsPass)
{
    std::vector<uint8_t> whole = png_with(40);
    EXPECT_EQ(png_chunk_error(whole), "");
    whole.insert(whole.end(), {1, 2, 3});  // after IEND: never read
    EXPECT_EQ(png_chunk_error(whole), "");
    EXPECT_EQ(png_chunk_error({'B', 'M', 0, 0}), "") << "not a PNG: the decoder's to judge";
}

TEST(PngChunks, ChunksRunningPastTheEndAreRefused)
{
    // What a fuzzer found: a gigabyte claimed, a few dozen bytes there; and
    // a length whose sum with the header would wrap in 32 bits.
    EXPECT_EQ(png_chunk_error(png_with(0x40000000)), "the file ends inside its IDAT chunk");
    EXPECT_EQ(png_chunk_error(png_with(0xFFFFFFFF)), "the file ends inside its IDAT chunk");
    const std::vector<uint8_t> whole = png_with(40);
    for (size_t size = 8; size < whole.size(); ++size)
        EXPECT_NE(png_chunk_error({whole.begin(), whole.begin() + static_cast<long>(size)}), "") << size << " bytes";
    EXPECT_EQ(png_chunk_error({whole.begin(), whole.end() - 12}), "the file ends before its IEND chunk");
}

}  // namespace
