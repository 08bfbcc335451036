#include "effects/hex_grid.h"

#include <cmath>

#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "draw/shapes.h"

void draw_hex_grid(double)
{
    // The uneven pair is deliberate: polygon smoothing stays on for every later
    // polygon of the run, and line smoothing is left off as it was found.
    glEnable(GL_POLYGON_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
    glEnable(GL_BLEND);
    glColor3f(1, 1, 1);
    glBegin(GL_LINES);
    const double phase = ld(sync_state.grid_phase);
    const double accents = ld(sync_state.accent_count);
    const float hex_phase = 1.0471976f;  // corners at 0, 60, 120 degrees: flat top and bottom
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 8; ++j) {
            const double row = i + ((j & 1) ? 0.5 : 0.0);  // odd columns sit half a row lower
            const float s = static_cast<float>(0.025 * std::cos(phase + j + i) + 0.025);
            const float v = static_cast<float>(std::cos(100 * accents + 10 * j + 10 * i));
            if (static_cast<double>(s) > 0.025) {
                const float cx = static_cast<float>(j / 12.4 + 0.25);
                const float cy = static_cast<float>(row / 8.55 + 0.25);
                circle_outline(0.05f, cx, cy, 6, hex_phase);
                if (v > 0) circle_outline(0.025f, cx, cy, 20, hex_phase);
            }
        }
    }
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_LINE_SMOOTH);
}
