#include "effects/arc_rings.h"

#include <cmath>

#include "core/base/random.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "draw/shapes.h"

namespace {

// Starting values, shared by the definitions and the test reset.
const Vec2 kFirstCentre(0.5f, 0.5f);
constexpr int32_t kNoOrder = -1;  // so the first call always draws a centre
constexpr double kFirstLastTime = -1.0;

}  // namespace

Vec2 arc_centre = kFirstCentre;
int32_t arc_last_order = kNoOrder;
double arc_last_time = kFirstLastTime;
uint8_t arc_stipple[128] = {};

namespace {

// k_c scales t in the colour, k_a is the angular speed (rad/s); the radii are
// offsets added to the beat swell.
struct Ring {
    double k_c, k_a, inner, outer;
};

constexpr Ring kRings[7] = {
    {1.0, 1.0, 0.15, 0.2},      {1.34, 1.32, 0.13, 0.14}, {0.34, -1.43, 0.205, 0.21}, {1.41, 1.31, 0.245, 0.26},
    {1.37, -1.48, 0.22, 0.225}, {1.51, 1.21, 0.23, 0.24}, {1.51, 1.21, 0.27, 0.6},
};

constexpr float kSixthTurn = 1.0471976f;

}  // namespace

// Draws the seven rings, six arcs each, in one additive GL_QUADS batch.
void draw_arc_rings(double t, int order)
{
    const double dt = t - arc_last_time;

    if (order != arc_last_order) {
        arc_last_order = order;
        const float x = static_cast<float>(demo_rand() / 32767.0);
        const float y = static_cast<float>(demo_rand() / 32767.0);
        arc_centre = Vec2(static_cast<float>(0.5 * x + 0.25), static_cast<float>(0.5 * y + 0.25));
    }

    // The pattern is handed over but stippling stays off: the bands are solid.
    build_diagonal_stipple(arc_stipple);
    glPolygonStipple(arc_stipple);

    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glBegin(GL_QUADS);
    const float w = static_cast<float>(0.025 * ld(sync_state.beat_level));
    for (const Ring& ring : kRings) {
        glColor4f(static_cast<float>(0.5 * std::cos(ring.k_c * t) + 0.5), 0.0f, 0.0f, 0.5f);
        const float r_a = static_cast<float>(w + ring.inner);
        const float r_b = static_cast<float>(w + ring.outer);
        for (int i = 0; i < 6; ++i) {
            const double a0 = ring.k_a * t + i * static_cast<double>(kSixthTurn);
            const double a1 = a0 + 0.95 * static_cast<double>(kSixthTurn);
            arc_band(r_a, r_b, arc_centre.x, arc_centre.y, 40, static_cast<float>(a0), static_cast<float>(a1));
        }
    }
    glEnd();
    glDisable(GL_POLYGON_STIPPLE);
    glDisable(GL_BLEND);

    st(sync_state.beat_level, static_cast<float>(ld(sync_state.beat_level) * std::pow(0.01, dt)));
    arc_last_time = t;
}

void arc_rings_reset_for_test()
{
    arc_centre = kFirstCentre;
    arc_last_order = kNoOrder;
    arc_last_time = kFirstLastTime;
    for (auto& b : arc_stipple) b = 0;
}
