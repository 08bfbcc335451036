#include "effects/sliding_dashes.h"

#include <cmath>

#include "draw/gl.h"

void draw_sliding_dashes(double t)
{
    glBegin(GL_QUADS);
    for (int i = 0; i < 10; ++i) {
        const float drop = static_cast<float>(0.2 * std::sin(0.2542 * i));
        // Left edge runs from -0.3 to 1.0 at one unit per second, then jumps back.
        const double x = std::fmod(0.15 * i + t, 1.3) - 0.3;
        glColor3f(0, 0, 0);
        glVertex2f(static_cast<float>(x), static_cast<float>(drop + 0.5));
        glVertex2f(static_cast<float>(x), static_cast<float>(drop + 0.6));
        glVertex2f(static_cast<float>(x + 0.05), static_cast<float>(drop + 0.6));
        glVertex2f(static_cast<float>(x + 0.05), static_cast<float>(drop + 0.5));
    }
    glEnd();
}
