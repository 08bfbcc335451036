#include "datagen/shapes.h"

#include <cmath>

namespace datagen::shape {

double ellipse(Point p, Point c, double rx, double ry, double angle)
{
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double dx = p.x - c.x, dy = p.y - c.y;
    const double x = dx * ca + dy * sa, y = -dx * sa + dy * ca;
    // Distance estimate: exact on the axes, close enough elsewhere for drawing.
    const double k = std::hypot(x / rx, y / ry);
    const double grad = std::hypot(x / (rx * rx), y / (ry * ry));
    if (grad < 1e-9) return -std::min(rx, ry);
    return k * (k - 1.0) / grad;
}

double rounded_box(Point p, Point c, double hx, double hy, double r)
{
    const double qx = std::fabs(p.x - c.x) - hx + r, qy = std::fabs(p.y - c.y) - hy + r;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

double capsule(Point p, Point a, Point b, double ra, double rb)
{
    const double bx = b.x - a.x, by = b.y - a.y, px = p.x - a.x, py = p.y - a.y;
    const double h = std::clamp((px * bx + py * by) / (bx * bx + by * by), 0.0, 1.0);
    return std::hypot(px - bx * h, py - by * h) - (ra + (rb - ra) * h);
}

double triangle(Point p, Point a, Point b, Point c)
{
    auto edge = [&](Point e0, Point e1) {
        const double ex = e1.x - e0.x, ey = e1.y - e0.y, wx = p.x - e0.x, wy = p.y - e0.y;
        const double h = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
        return std::hypot(wx - ex * h, wy - ey * h);
    };
    const double d = std::min({edge(a, b), edge(b, c), edge(c, a)});
    auto side = [&](Point e0, Point e1) { return (e1.x - e0.x) * (p.y - e0.y) - (e1.y - e0.y) * (p.x - e0.x); };
    const double s0 = side(a, b), s1 = side(b, c), s2 = side(c, a);
    const bool inside = (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
    return inside ? -d : d;
}

}  // namespace datagen::shape
