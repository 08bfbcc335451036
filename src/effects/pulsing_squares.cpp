#include "effects/pulsing_squares.h"

#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "draw/shapes.h"
#include "draw/vec.h"

double squares_last_time = -1.0;

void draw_pulsing_squares(double t)
{
    const double dt = t - squares_last_time;
    glBegin(GL_LINES);
    const float a = static_cast<float>(2 * t);
    const float b = static_cast<float>(4.3252 * t);
    for (int i = 0; i < 20; ++i) {
        const float k = fcos(static_cast<float>(i) + a);
        glColor3f(k * (k * ld(sync_state.pulse)), 0, 0);
        const float s = static_cast<float>(fcos(static_cast<float>(i) + b) * 0.05 + 0.25);
        centered_rect_outline(s, s);
    }
    decay_level(sync_state.pulse, 0.01f, dt);
    glEnd();
    squares_last_time = t;
}

void pulsing_squares_reset_for_test() { squares_last_time = -1.0; }
