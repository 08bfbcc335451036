#include "effects/flicker_lines.h"

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "draw/shapes.h"

double flicker_last_time = -1.0;
float flicker_cross_size = 0.02f;
int flicker_mask = 0;

void draw_flicker_lines(double t)
{
    const double dt = t - flicker_last_time;
    if (ld(sync_state.flicker_level) > 0.5f) {
        glColor3f(1, 1, 1);
        glBegin(GL_LINES);
        // Draw order is fixed: size test, size value, crosses, mask test, mask value.
        if (demo_rand() % 100 == 5) flicker_cross_size = static_cast<float>(demo_rand() / 32767.0 * 0.03 + 0.01);
        for (int i = 0; i <= 10; ++i)
            if (flicker_mask & (1 << i)) cross_mark(flicker_cross_size, static_cast<float>(i / 10.0), 0.5f);
        if (demo_rand() % 100 == 5) flicker_mask = demo_rand();
        glEnd();
    }
    decay_level(sync_state.flicker_level, 0.01f, dt);
    flicker_last_time = t;
}

void flicker_lines_reset_for_test()
{
    flicker_last_time = -1.0;
    flicker_cross_size = 0.02f;
    flicker_mask = 0;
}
