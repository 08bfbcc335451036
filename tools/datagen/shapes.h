// Signed distances (in pixels, negative inside) of the simple shapes the
// cartoon is drawn from, and anti-aliased filling with an outline.
#pragma once

#include "datagen/brush.h"
#include "datagen/image.h"

namespace datagen::shape {

// Ellipse centred at c with radii rx, ry, turned by `angle` radians.
double ellipse(Point p, Point c, double rx, double ry, double angle = 0.0);
// Box centred at c with half sizes hx, hy and corner radius r.
double rounded_box(Point p, Point c, double hx, double hy, double r);
// Line from a to b, thickness growing linearly from ra to rb (radii).
double capsule(Point p, Point a, Point b, double ra, double rb);
// Triangle a, b, c (any winding).
double triangle(Point p, Point a, Point b, Point c);

// Fills every pixel where sdf(p) < 0 with `fill`, and first draws a band of
// `outline` pixels around it in `ink`; edges are anti-aliased. `clip`, if set,
// keeps only pixels where clip(p) < 0.
template <class Sdf>
void draw(FloatImage& img, Sdf sdf, Color fill, double outline, Color ink = Color{0.05, 0.05, 0.06});

template <class Sdf, class Clip>
void draw_clipped(FloatImage& img, Sdf sdf, Clip clip, Color fill);

}  // namespace datagen::shape

#include <algorithm>

namespace datagen::shape {

template <class Sdf>
void draw(FloatImage& img, Sdf sdf, Color fill, double outline, Color ink)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double d = sdf(Point{x + 0.5, y + 0.5});
            if (d > outline + 1.0) continue;
            if (outline > 0.0) img.blend(x, y, ink, std::clamp(outline - d + 0.5, 0.0, 1.0));
            img.blend(x, y, fill, std::clamp(0.5 - d, 0.0, 1.0));
        }
}

template <class Sdf, class Clip>
void draw_clipped(FloatImage& img, Sdf sdf, Clip clip, Color fill)
{
    draw(
        img, [&](Point p) { return std::max(sdf(p), clip(p)); }, fill, 0.0);
}

}  // namespace datagen::shape
