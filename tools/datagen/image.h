// Pictures while they are being painted: linear float RGB, with alpha
// blending and the value noise that gives canvas, bristles and paper their grain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

struct Color {
    double r = 0, g = 0, b = 0;
};

Color mix(const Color& a, const Color& b, double t);
// 0xRRGGBB to 0..1 channels.
Color hex(uint32_t rgb);

// The finished 8-bit RGB picture, rows top to bottom.
struct Rgb8Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3
};

class FloatImage {
public:
    FloatImage(int width, int height, Color fill);
    int width() const { return width_; }
    int height() const { return height_; }
    Color& at(int x, int y) { return pixels_[static_cast<size_t>(y * width_ + x)]; }
    const Color& at(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }
    // Mixes `c` into the pixel by `alpha` (0..1); ignores pixels outside.
    void blend(int x, int y, const Color& c, double alpha);
    Rgb8Image to_rgb8() const;

private:
    int width_, height_;
    std::vector<Color> pixels_;
};

// Smooth 2D value noise in [0, 1], periodic over `period` cells on each axis
// so the canvas weave can tile; octaves add finer detail.
class ValueNoise {
public:
    explicit ValueNoise(uint64_t seed);
    double at(double x, double y) const;
    double fbm(double x, double y, int octaves) const;

private:
    double lattice(int x, int y) const;
    std::vector<double> table_;
};

}  // namespace datagen
