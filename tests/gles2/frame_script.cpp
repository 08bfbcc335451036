#include "gles2/frame_script.h"

#include <cstdint>
#include <cstdio>

#include "core/base/demo_data.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "core/schedule.h"
#include "draw/gl.h"
#include "draw/view.h"
#include "effects/warm_up.h"

namespace {

constexpr int kFramesPerOrder = 24;

// Hatched shapes alone: a plain quad, a textured one under a colour blend and
// a triangle, each over the other, so every hatched pixel is checked.
void draw_stipple_probe()
{
    glClearColor(0, 0, 0, 0);
    clear_frame();
    set_projection();
    uint8_t pattern[128];
    build_diagonal_stipple(pattern);
    glPolygonStipple(pattern);
    glEnable(GL_POLYGON_STIPPLE);
    glDisable(GL_BLEND);
    glColor3f(1.0f, 0.5f, 0.25f);
    glBegin(GL_QUADS);
    glVertex2f(0.05f, 0.15f);
    glVertex2f(0.6f, 0.15f);
    glVertex2f(0.6f, 0.6f);
    glVertex2f(0.05f, 0.6f);
    glEnd();
    glColor3f(0.2f, 1.0f, 0.6f);
    glBegin(GL_TRIANGLES);
    glVertex2f(0.4f, 0.4f);
    glVertex2f(0.95f, 0.45f);
    glVertex2f(0.5f, 0.85f);
    glEnd();
    glDisable(GL_POLYGON_STIPPLE);
}

}  // namespace

void run_frame_script(const std::function<void(const std::string& name)>& keep)
{
    warm_up_drawing();
    float t = 3.0f;
    for (int order = 0; order <= kLastOrder; ++order) {
        // All four optional layers from order 4 on, so each is compared too.
        const int mask = order >= 4 ? 15 : 0;
        for (int i = 0; i < kFramesPerOrder; ++i) {
            st(sync_state.walker_spawn, true);
            if (i % 8 == 7)
                for (int r = 0; r < kHookedInstruments; ++r) sync_apply_instrument(static_cast<unsigned char>(r), i);
            draw_frame(order, t, mask);
            t += 1.0f / 60.0f;
        }
        glFinish();
        char name[16];
        std::snprintf(name, sizeof name, "order%02d", order);
        keep(name);
    }
    draw_stipple_probe();
    glFinish();
    keep("stipple");
}
