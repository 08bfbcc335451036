#include "draw/view.h"

#include <cstdint>

#include "draw/gl.h"

void set_projection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0.875, 0.125, 0.1, 1000);
    glTranslatef(0, 0, -70);
}

void clear_frame() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }

ViewRect letterbox(int width, int height)
{
    if (width <= 0 || height <= 0) return {};
    // 64-bit products so that no int size overflows.
    int64_t w = width, h = height;
    if (w * 3 > h * 4)
        w = h * 4 / 3;
    else
        h = w * 3 / 4;
    return {static_cast<int>((width - w) / 2), static_cast<int>((height - h) / 2), static_cast<int>(w),
            static_cast<int>(h)};
}

void set_viewport(int width, int height)
{
    const ViewRect r = letterbox(width, height);
    glViewport(r.x, r.y, r.width, r.height);
    // The viewport alone lets wide and smooth lines at the view's edge reach
    // a pixel into the bars. Without bars the scissor would only cost time:
    // llvmpipe clips every primitive that crosses its box.
    glScissor(r.x, r.y, r.width, r.height);
    if (r.width == width && r.height == height)
        glDisable(GL_SCISSOR_TEST);
    else
        glEnable(GL_SCISSOR_TEST);
}
