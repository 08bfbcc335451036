#include "datagen/paint.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "datagen/brush.h"
#include "datagen/rng.h"

namespace datagen {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Style {
    uint64_t seed;
    uint32_t ground;
    std::vector<uint32_t> washes;   // colours of the broad underpainting
    std::vector<uint32_t> body;     // colours of the main strokes
    std::vector<uint32_t> accents;  // small bright marks on top
    double angle;                   // main direction of the strokes
    double curl;                    // how far the flow turns across the picture
    int wash_count, body_count, accent_count;
    double body_width;  // typical main stroke width
    bool spatter;
};

const Style kStyles[kPaintingCount] = {
    // Embers: hot reds and golds streaming sideways over violet.
    {0xE1,
     0x2B1D3F,
     {0x3B2C6B, 0x8C1C45, 0x5A2A82},
     {0xD7263D, 0xF46036, 0xFFC857, 0xC5296F, 0xFF8C42},
     {0xFFF1C1, 0xFFE066, 0xFF5E5B},
     0.0,
     0.7,
     7,
     70,
     40,
     16.0,
     false},
    // Tide: blues and foam rolling in waves, a little coral.
    {0xE2,
     0xE6DFCB,
     {0x0B3C5D, 0x1F6F8B, 0x99C1B9},
     {0x0B3C5D, 0x328CC1, 0x5CE1E6, 0x1B98E0, 0xF2F7F5},
     {0xFF6F59, 0xFFFFFF, 0xD9B310},
     0.15,
     1.4,
     12,
     110,
     45,
     14.0,
     false},
    // Meadow: upright greens and yellows with violet shadows.
    {0xE3,
     0xEFE8D2,
     {0x6A8E3C, 0x2F5D50, 0xC9D77E},
     {0x1E5631, 0x4C9A2A, 0xA4DE02, 0xFFE74C, 0x76B5C5},
     {0x6A4C93, 0xFFFFFF, 0xFF9F1C},
     -kPi / 2 + 0.25,
     0.35,
     10,
     110,
     55,
     9.0,
     false},
    // Neon: electric colours slashing diagonally across the dark.
    {0xE4,
     0x140F26,
     {0x2D1B69, 0x3A0CA3, 0x4A1942},
     {0x7B2CBF, 0xFF4D9D, 0x3A86FF, 0x00F5D4, 0xF15BB5},
     {0xFEE440, 0xFFFFFF, 0x00F5D4},
     kPi / 5,
     0.8,
     6,
     65,
     50,
     13.0,
     true},
    // Earth: broad ochre, rust and sienna with turquoise breaking through.
    {0xE5,
     0xE9DCC0,
     {0xCC8B3C, 0x7B3F1E, 0xD9A86C},
     {0xA63D2F, 0xCC8B3C, 0x7B3F1E, 0x2A9D8F, 0xF4E3B2},
     {0x2B2B2B, 0x2A9D8F, 0xF4A261},
     -kPi / 9,
     0.5,
     8,
     55,
     35,
     22.0,
     false},
    // Pop: primaries thrown every which way, with spatter.
    {0xE6,
     0xF7F3E8,
     {0xFFD60A, 0x8ECAE6, 0xF4A3A8},
     {0xE63946, 0xFFD60A, 0x1D4ED8, 0x111111, 0x2A9D4F},
     {0xE63946, 0x1D4ED8, 0x111111},
     0.3,
     2.4,
     9,
     95,
     60,
     12.0,
     true},
};

// The canvas: a fine weave of threads, with slow blotches in the ground.
void prime_canvas(FloatImage& img, const Style& st, const ValueNoise& noise)
{
    const Color ground = hex(st.ground);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double blotch = noise.fbm(x / 60.0, y / 60.0, 4) - 0.5;
            img.at(x, y) = mix(ground, Color{ground.r * 0.8, ground.g * 0.8, ground.b * 0.8}, 0.5 + blotch);
        }
}

double weave(int x, int y, const ValueNoise& noise)
{
    const double warp = std::sin(x * kPi / 1.5) * 0.5 + 0.5;
    const double weft = std::sin(y * kPi / 1.5) * 0.5 + 0.5;
    const double thread = (x / 3 + y / 3) % 2 ? warp : weft;
    return 0.7 * thread + 0.3 * noise.at(x * 0.7, y * 0.7);
}

double flow_angle(const Style& st, const ValueNoise& noise, double x, double y)
{
    return st.angle + st.curl * (noise.fbm(x / 90.0 + 40.0, y / 90.0 + 9.0, 3) - 0.5) * 2.0 * kPi * 0.5;
}

// A stroke that follows the flow from a starting point for `length` pixels.
Stroke flowing_stroke(const Style& st, const ValueNoise& noise, Rng& rng, Point start, double length)
{
    Stroke s;
    Point p = start;
    Point pts[4];
    pts[0] = p;
    const double jitter = rng.bipolar() * 0.35;
    for (int k = 1; k < 4; ++k) {
        const double a = flow_angle(st, noise, p.x, p.y) + jitter;
        p = {p.x + std::cos(a) * length / 3.0, p.y + std::sin(a) * length / 3.0};
        pts[k] = p;
    }
    s.p0 = pts[0];
    s.p1 = pts[1];
    s.p2 = pts[2];
    s.p3 = pts[3];
    return s;
}

Color pick(const std::vector<uint32_t>& colors, Rng& rng)
{
    return hex(colors[static_cast<size_t>(rng.below(static_cast<int>(colors.size())))]);
}

Point anywhere(Rng& rng, double margin)
{
    return {rng.range(-margin, kPaintingWidth + margin), rng.range(-margin, kPaintingHeight + margin)};
}

void spatter(FloatImage& img, const Style& st, Rng& rng)
{
    for (int i = 0; i < 90; ++i) {
        const Point c = anywhere(rng, 0);
        const double r = rng.uniform() < 0.85 ? rng.range(0.6, 1.8) : rng.range(2.0, 3.5);
        const Color col = pick(st.accents, rng);
        for (int y = static_cast<int>(c.y - r - 1); y <= c.y + r + 1; ++y)
            for (int x = static_cast<int>(c.x - r - 1); x <= c.x + r + 1; ++x) {
                const double d = std::hypot(x + 0.5 - c.x, y + 0.5 - c.y);
                img.blend(x, y, col, std::clamp(r - d + 0.5, 0.0, 1.0) * 0.9);
            }
    }
}

}  // namespace

Rgb8Image make_painting(int index)
{
    if (index < 0 || index >= kPaintingCount) throw std::out_of_range("painting index");
    const Style& st = kStyles[index];
    Rng rng(0x9A1E77ull * (st.seed + 1));
    const ValueNoise noise(st.seed * 31 + 7);
    FloatImage img(kPaintingWidth, kPaintingHeight, Color{});
    prime_canvas(img, st, noise);

    // Broad, thin washes first, so the ground never shows bare.
    for (int i = 0; i < st.wash_count; ++i) {
        Stroke s = flowing_stroke(st, noise, rng, anywhere(rng, 10), rng.range(260, 520));
        s.width = rng.range(50, 100);
        s.color = pick(st.washes, rng);
        s.opacity = rng.range(0.45, 0.7);
        s.dryness = 0.25;
        s.taper = 0.2;
        paint_stroke(img, s, rng);
    }
    // The body of the painting.
    for (int i = 0; i < st.body_count; ++i) {
        Stroke s = flowing_stroke(st, noise, rng, anywhere(rng, 30), rng.range(60, 220));
        s.width = st.body_width * rng.range(0.6, 1.6);
        s.color = pick(st.body, rng);
        s.opacity = rng.range(0.7, 0.95);
        s.dryness = rng.range(0.2, 0.8);
        s.taper = rng.range(0.2, 0.6);
        paint_stroke(img, s, rng);
    }
    // Small bright marks on top.
    for (int i = 0; i < st.accent_count; ++i) {
        Stroke s = flowing_stroke(st, noise, rng, anywhere(rng, 0), rng.range(15, 60));
        s.width = rng.range(2.5, 6.5);
        s.color = pick(st.accents, rng);
        s.opacity = rng.range(0.8, 1.0);
        s.dryness = rng.range(0.1, 0.5);
        s.taper = 0.7;
        paint_stroke(img, s, rng);
    }
    if (st.spatter) spatter(img, st, rng);

    // The weave shows through the paint: light catches the raised threads.
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double relief = 0.88 + 0.2 * weave(x, y, noise);
            Color& c = img.at(x, y);
            c = {c.r * relief, c.g * relief, c.b * relief};
        }
    return img.to_rgb8();
}

}  // namespace datagen
