#include "datagen/brush.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace datagen {
namespace {

Point bezier(const Stroke& s, double t)
{
    const double u = 1.0 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * s.p0.x + b * s.p1.x + c * s.p2.x + d * s.p3.x, a * s.p0.y + b * s.p1.y + c * s.p2.y + d * s.p3.y};
}

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

}  // namespace

void paint_stroke(FloatImage& image, const Stroke& s, Rng& rng)
{
    // Bristles: a load per position across the brush, smoothed so that
    // neighbouring hairs carry similar amounts of paint.
    constexpr int kBristles = 48;
    std::vector<double> bristle(kBristles);
    for (double& b : bristle) b = rng.uniform();
    for (int pass = 0; pass < 1; ++pass)
        for (int i = 1; i + 1 < kBristles; ++i) bristle[i] = (bristle[i - 1] + 2 * bristle[i] + bristle[i + 1]) / 4;
    std::vector<double> tint(kBristles);
    for (double& t : tint) t = rng.bipolar() * 0.1;

    // Coverage and hair index per pixel, the strongest dab wins: overlapping
    // dabs of one stroke must not pile up into blotches.
    const int w = image.width(), h = image.height();
    std::vector<float> cover(static_cast<size_t>(w * h), 0.0f);
    std::vector<float> shade(static_cast<size_t>(w * h), 0.0f);
    double length = 0.0;
    Point prev = s.p0;
    for (int i = 1; i <= 64; ++i) {
        const Point p = bezier(s, i / 64.0);
        length += std::hypot(p.x - prev.x, p.y - prev.y);
        prev = p;
    }
    const int steps = std::max(8, static_cast<int>(length * 1.5));
    const double grain = 0.6 + rng.uniform() * 0.8;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const Point p = bezier(s, t);
        const Point q = bezier(s, std::min(1.0, t + 0.002));
        const Point r = bezier(s, std::max(0.0, t - 0.002));
        double dx = q.x - r.x, dy = q.y - r.y;
        const double dl = std::hypot(dx, dy);
        if (dl < 1e-9) continue;
        dx /= dl;
        dy /= dl;
        // Thinner at both ends, fullest a third of the way in.
        const double profile = 1.0 - s.taper * std::pow(std::fabs(t - 0.35) / 0.65, 2.0);
        const double radius = std::max(0.6, 0.5 * s.width * profile);
        // Paint load: full at the start, running out towards the end.
        const double load = 1.0 - s.dryness * smoothstep(0.3, 1.0, t);
        const int x0 = static_cast<int>(std::floor(p.x - radius - 1)),
                  x1 = static_cast<int>(std::ceil(p.x + radius + 1));
        const int y0 = static_cast<int>(std::floor(p.y - radius - 1)),
                  y1 = static_cast<int>(std::ceil(p.y + radius + 1));
        for (int y = std::max(0, y0); y <= std::min(h - 1, y1); ++y)
            for (int x = std::max(0, x0); x <= std::min(w - 1, x1); ++x) {
                const double ox = x + 0.5 - p.x, oy = y + 0.5 - p.y;
                const double across = (ox * -dy + oy * dx) / radius;  // -1 .. 1 over the brush
                const double along = ox * dx + oy * dy;
                // Round dabs, so the stroke ends in the brush's rounded tip.
                const double reach = std::hypot(across, along / radius);
                if (reach > 1.05) continue;
                const double edge = 1.0 - smoothstep(0.8, 1.05, reach);
                const int hair = std::clamp(static_cast<int>((across + 1.0) * 0.5 * kBristles), 0, kBristles - 1);
                // Dry hairs skip: a hair paints only while its load beats the fading paint.
                const double hair_load = bristle[static_cast<size_t>(hair)];
                const double dry_gap =
                    smoothstep(load - 0.25, load + 0.05, hair_load * grain * (0.4 + 0.6 * s.dryness) + (1 - load));
                const double a = edge * (1.0 - 0.85 * dry_gap) * (0.55 + 0.45 * hair_load);
                const size_t k = static_cast<size_t>(y * w + x);
                if (a > cover[k]) {
                    cover[k] = static_cast<float>(a);
                    shade[k] = static_cast<float>(tint[static_cast<size_t>(hair)]);
                }
            }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t k = static_cast<size_t>(y * w + x);
            if (cover[k] <= 0.0f) continue;
            const double v = shade[k];
            const Color c{s.color.r + v, s.color.g + v, s.color.b + v};
            image.blend(x, y, c, s.opacity * cover[k]);
        }
}

}  // namespace datagen
