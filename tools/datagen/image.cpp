#include "datagen/image.h"

#include <algorithm>
#include <cmath>

#include "datagen/rng.h"

namespace datagen {

Color mix(const Color& a, const Color& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Color hex(uint32_t rgb) { return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0}; }

FloatImage::FloatImage(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width * height), fill)
{
}

void FloatImage::blend(int x, int y, const Color& c, double alpha)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0.0) return;
    Color& p = at(x, y);
    p = mix(p, c, std::min(alpha, 1.0));
}

Rgb8Image FloatImage::to_rgb8() const
{
    Rgb8Image out{width_, height_, std::vector<uint8_t>(static_cast<size_t>(width_ * height_ * 3))};
    auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    for (size_t i = 0; i < pixels_.size(); ++i) {
        out.rgb[i * 3 + 0] = byte(pixels_[i].r);
        out.rgb[i * 3 + 1] = byte(pixels_[i].g);
        out.rgb[i * 3 + 2] = byte(pixels_[i].b);
    }
    return out;
}

namespace {
constexpr int kLattice = 256;
}

ValueNoise::ValueNoise(uint64_t seed) : table_(kLattice * kLattice)
{
    Rng rng(seed);
    for (double& v : table_) v = rng.uniform();
}

double ValueNoise::lattice(int x, int y) const
{
    x = ((x % kLattice) + kLattice) % kLattice;
    y = ((y % kLattice) + kLattice) % kLattice;
    return table_[static_cast<size_t>(y * kLattice + x)];
}

double ValueNoise::at(double x, double y) const
{
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = lattice(x0, y0) + (lattice(x0 + 1, y0) - lattice(x0, y0)) * sx;
    const double bottom = lattice(x0, y0 + 1) + (lattice(x0 + 1, y0 + 1) - lattice(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

double ValueNoise::fbm(double x, double y, int octaves) const
{
    double sum = 0.0, weight = 0.5, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * at(x, y);
        total += weight;
        x = x * 2.03 + 17.1;
        y = y * 2.03 + 5.7;
        weight *= 0.5;
    }
    return sum / total;
}

}  // namespace datagen
