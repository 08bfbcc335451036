#include "core/panel_scenes.h"

#include "core/base/random.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "draw/gl.h"
#include "draw/gl_state.h"
#include "draw/shapes.h"
#include "draw/vec.h"

namespace {

// Starting values, shared by the definitions and the test reset.
constexpr float kFirstPanelX = 0.5f;
constexpr float kPanelY = 0.7f;
constexpr double kFirstPanelLastTime = -1.0;
constexpr float kFirstGridLastTime = -1.0f;

}  // namespace

float panel_x = kFirstPanelX;
float panel_y = kPanelY;
int32_t panel_count = 0;
double panel_last_time = kFirstPanelLastTime;
float grid_last_time = kFirstGridLastTime;
uint8_t grid_stipple[128] = {};

namespace {

// Colour of a ring burst: bright and warm while ring_level is fresh, black as it fades.
void set_ring_colour(float level)
{
    glColor4f(level, static_cast<float>(0.7 * level), static_cast<float>(0.5 * level), 1.0f);
}

// Three 20-sided outlines around (cx, cy) into the open GL_LINES batch; they
// widen by w as ring_level falls from 1 to 0.
void ring_outlines(float level, double w, const double radii[3], float cx, float cy)
{
    const double g = w - w * level;
    for (int i = 0; i < 3; ++i) circle_outline(static_cast<float>(g + radii[i]), cx, cy, 20, 0.0f);
}

}  // namespace

// Draws the strip, the cow stamped above it and the panel's ring burst.
void panel_scene(double t)
{
    SyncState& s = sync_state;
    if (ld(s.reposition_flag)) {
        st(s.reposition_flag, false);
        const int r = demo_rand();
        panel_x = static_cast<float>(r / 32767.0 * 0.5 + 0.25);
        panel_count += 1;
    }

    glColor3f(1.0f, 1.0f, 1.0f);
    textured_panel(0.4f, 0.1f, panel_x, panel_y, panel_count % 3 + 3, 0.0f);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR);
    const float swell = static_cast<float>(ld(s.beat_level) * 0.1);
    const float cow_size = static_cast<float>(swell + 0.4);
    glColor3f(1.0f, 1.0f, 1.0f);
    textured_panel(cow_size, cow_size, panel_x, static_cast<float>(panel_y - 0.1), kCowPicture, 0.0f);
    glDisable(GL_BLEND);

    static const double radii[3] = {0.02, 0.03, 0.04};
    const float level = ld(s.ring_level);
    set_ring_colour(level);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBegin(GL_LINES);
    ring_outlines(level, 0.02, radii, static_cast<float>(panel_x + 0.175), static_cast<float>(panel_y - 0.2));
    glEnd();
    glDisable(GL_BLEND);

    const double dt = t - panel_last_time;
    decay_level(s.ring_level, 0.001f, dt);
    decay_level(s.beat_level, 0.01f, dt);
    panel_last_time = t;
}

// Draws the 5 x 5 grid of red cows with its ring bursts, column by column.
void grid_scene(double t)
{
    SyncState& s = sync_state;
    build_diagonal_stipple(grid_stipple);
    glPolygonStipple(grid_stipple);

    if (ld(s.reposition_flag)) st(s.reposition_flag, false);

    // Each cell switches blending for its cows and again for its rings;
    // only the changes the next primitive needs reach OpenGL.
    lazy_layer_start();
    static const double radii[3] = {0.005, 0.02, 0.04};
    for (int k = 0; k < 5; ++k) {
        for (int l = 0; l < 5; ++l) {
            const int beat = ld(s.beat_count) % 10;
            if (k + l == beat) continue;

            const float u = static_cast<float>(ffmod(static_cast<float>(k / 3.8 + 0.3 * t), 1.3f) - 0.15);
            const float v = static_cast<float>(l / 6.0 + 0.2);

            lazy_enable(GL_BLEND);
            lazy_blend_func(GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR);
            if (k * 1.3 + l * 1.5 == static_cast<double>(beat)) lazy_enable(GL_POLYGON_STIPPLE);

            const float swell = static_cast<float>(ld(s.beat_level) * 0.1);
            const float size = static_cast<float>(swell + 0.15);
            const float cy = static_cast<float>(v - 0.1);
            glColor3f(1.0f, 0.0f, 0.0f);
            lazy_flush();  // textured_panel calls glBegin itself
            textured_panel(size, size, u, cy, kCowPicture, 0.0f);
            textured_panel(0.15f, 0.15f, u, cy, kCowPicture, 0.0f);
            lazy_disable(GL_BLEND);

            // Additive blending is switched on for every cell but only switched
            // off after a burst: without one it runs on into the next cell and
            // past the last cell into whatever is drawn next.
            const float level = ld(s.ring_level);
            set_ring_colour(level);
            lazy_enable(GL_BLEND);
            lazy_blend_func(GL_ONE, GL_ONE);
            if ((k * l) % 5 == ld(s.ring_count) % 5) {
                lazy_begin(GL_LINES);
                ring_outlines(level, 0.01, radii, static_cast<float>(u + 0.072), static_cast<float>(v - 0.125));
                glEnd();
                lazy_disable(GL_BLEND);
            }

            // Only the first drawn cell of a frame sees a non-zero dt.
            const double dt = t - static_cast<double>(grid_last_time);
            decay_level(s.ring_level, 0.0001f, dt);
            decay_level(s.beat_level, 0.01f, dt);
            grid_last_time = static_cast<float>(t);

            lazy_disable(GL_POLYGON_STIPPLE);
        }
    }
    lazy_flush();
}

// Draws one plain white picture strip over the scene.
void fixed_panel(int texture_index, float cx, float cy)
{
    glColor3f(1.0f, 1.0f, 1.0f);
    textured_panel(0.4f, 0.1f, cx, cy, texture_index, 0.0f);
}

void panel_scenes_reset_for_test()
{
    panel_x = kFirstPanelX;
    panel_y = kPanelY;
    panel_count = 0;
    panel_last_time = kFirstPanelLastTime;
    grid_last_time = kFirstGridLastTime;
    for (auto& b : grid_stipple) b = 0;
}
