#include "effects/petal_rings.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "draw/shapes.h"
#include "draw/vec.h"

// The stipple rows are the low bytes of each 32-bit value, low byte first.
static_assert(std::endian::native == std::endian::little, "petal stipple assumes little-endian ints");

double petal_last_time = 0.0;

void draw_petal_rings(double t)
{
    const double dt = t - petal_last_time;

    // 128 values; GL reads the first 32 as rows: 15 random bits, then zeros.
    int32_t noise[128];
    for (int32_t& v : noise) v = demo_rand();
    glPolygonStipple(reinterpret_cast<const GLubyte*>(noise));

    const Color3 rim(0, 0, 0);
    glEnable(GL_POLYGON_STIPPLE);
    for (int i = 0; i < 3; ++i) {
        const double level = ld(sync_state.petal_level[i]);
        const double phase = ld(sync_state.petal_phase);
        const Color3 centre(static_cast<float>(std::cos(i + t) * 0.1 + (level + 0.3)), static_cast<float>(level + 0.2),
                            static_cast<float>(level + 0.1));
        const double along = std::cos(i + t + phase);
        const double x = along * 0.5 + 0.5;
        const double y = along * 0.1 + 0.5;
        const double radius = std::cos(2.1329 * t + i) + 0.4;
        gradient_disc(t * 1.321, static_cast<float>(radius), centre, rim, true, static_cast<float>(x),
                      static_cast<float>(y));
    }
    glDisable(GL_POLYGON_STIPPLE);

    for (auto& level : sync_state.petal_level) decay_level(level, 0.01f, dt);
    petal_last_time = t;
}

void petal_rings_reset_for_test() { petal_last_time = 0.0; }
