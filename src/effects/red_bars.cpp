#include "effects/red_bars.h"

#include <cmath>

#include "draw/gl.h"

void draw_red_bars(double t)
{
    glBegin(GL_LINES);
    const double big_t = 0.3 * t;
    const float h = static_cast<float>(0.2 * std::cos(0.321 * big_t) + 0.2);
    for (int i = 0; i < 100; ++i) {
        const float x = static_cast<float>((std::cos(i + big_t) + 1) * 0.5);
        // 0 in the middle of the screen, 0.5 at its edges: edge bars are shorter.
        const float g = static_cast<float>(2 * (x - 0.5) * (x - 0.5));
        glColor3f(static_cast<float>(std::cos(0.1 * i + big_t) + g), 0, 0);
        const double shrink = static_cast<double>(h) * g;
        glVertex2f(x, static_cast<float>(shrink + 0.2));
        glVertex2f(x, static_cast<float>(1 - shrink - 0.2));
    }
    glEnd();
}
