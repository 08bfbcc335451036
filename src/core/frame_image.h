// Reading the finished frame back and saving pictures: for the capture
// driver, benchmarks and tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Top-down rows of tightly packed 8-bit R, G, B.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    const uint8_t* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The current read buffer (the frame just drawn, before the swap), top row first.
RgbImage read_frame(int width, int height);

// Writes an 8-bit RGB PNG; false (and errno or a message on stderr) on failure.
bool write_png(const std::string& path, const RgbImage& image);
