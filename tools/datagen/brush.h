// One brush stroke: a loaded brush dragged along a curve. The bristles leave
// streaks along the stroke, the paint runs thin towards its end, and the edge
// breaks up where the brush drags dry.
#pragma once

#include "datagen/image.h"
#include "datagen/rng.h"

namespace datagen {

struct Point {
    double x = 0, y = 0;
};

struct Stroke {
    Point p0, p1, p2, p3;  // cubic Bezier path
    double width = 10.0;   // full width at the fattest point, in pixels
    Color color;
    double opacity = 0.9;  // of the fully loaded brush
    double dryness = 0.3;  // 0 wet and even .. 1 scratchy, breaking up early
    double taper = 0.3;    // how much thinner the ends are (0 none .. 1 to a point)
};

// Paints the stroke onto the picture; `rng` varies the bristles.
void paint_stroke(FloatImage& image, const Stroke& stroke, Rng& rng);

}  // namespace datagen
