#include "effects/triangle_subdivision.h"

#include <cmath>
#include <cstdint>

#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "draw/gl.h"
#include "draw/gl_state.h"
#include "draw/shapes.h"
#include "effects/choice_table.h"

double triangle_last_time = -1.0;

namespace {

uint8_t triangle_stipple[128];

constexpr float kPanelAngle = 0.785375f;  // deliberately not quite pi/4

}  // namespace

// One red triangle, hatched on odd depths, its corner children, then its outline.
void triangle_node(Vec2 a, Vec2 b, Vec2 c, int depth)
{
    const float beat = ld(sync_state.beat_level);
    const int32_t jump = ld(sync_state.jump_count);

    // Only switched on here; the stipple stays on into the first child drawn.
    if (depth % 2 != 0) lazy_enable(GL_POLYGON_STIPPLE);

    lazy_begin(GL_TRIANGLES);
    // The integer sum plus the level, rounded to a float before the cosine;
    // GL clamps a negative red to black.
    const float arg = static_cast<float>(depth + jump) + beat;
    const double red = std::cos(static_cast<double>(arg)) + 0.3 * static_cast<double>(beat);
    glColor4f(static_cast<float>(red), 0.0f, 0.0f, 0.5f);
    a.emit_vertex();
    b.emit_vertex();
    c.emit_vertex();
    glEnd();

    if (depth <= 5) {
        const uint8_t byte = take_choice();
        const float s = static_cast<float>(0.5 + 0.3 * std::sin(static_cast<double>(beat)));
        if (byte & 1) triangle_node(a, a + (b - a) * s, a + (c - a) * s, depth + 1);
        if (byte & 2) triangle_node(b, b + (c - b) * s, b + (a - b) * s, depth + 1);
        if (byte & 4) triangle_node(c, c + (a - c) * s, c + (b - c) * s, depth + 1);
    }

    lazy_enable(GL_LINE_SMOOTH);
    lazy_enable(GL_BLEND);
    lazy_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    lazy_begin(GL_LINES);
    glColor3f(0.0f, 0.0f, 0.0f);
    a.emit_vertex();
    b.emit_vertex();
    b.emit_vertex();
    c.emit_vertex();
    c.emit_vertex();
    a.emit_vertex();
    glEnd();
    lazy_disable(GL_LINE_SMOOTH);
    lazy_disable(GL_BLEND);
    lazy_disable(GL_POLYGON_STIPPLE);
}

// The triangle tree over the whole view, and four pairs of cow panels sliding
// along its slanted sides.
void triangle_layer(double t)
{
    const double dt = t - triangle_last_time;
    // The tree's toggles reach OpenGL only where the next primitive needs them.
    lazy_layer_start();

    build_diagonal_stipple(triangle_stipple);
    glPolygonStipple(triangle_stipple);

    if (triangle_needs_fill) {
        triangle_needs_fill = false;
        fill_choice_table();
    }
    choice_cursor = ld(sync_state.jump_count);

    triangle_node(Vec2(0.5f, 0.2f), Vec2(1.0f, 0.8f), Vec2(0.0f, 0.8f), 0);
    lazy_disable(GL_POLYGON_STIPPLE);

    // Each channel becomes src * (1 - src) + dst * src.
    lazy_enable(GL_BLEND);
    lazy_blend_func(GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR);
    lazy_flush();  // textured_panel calls glBegin itself
    for (int k = 0; k < 4; ++k) {
        const float u = static_cast<float>(std::fmod(0.3 * t + 0.2 * k, 1.4) * 0.4);
        glColor3f(1.0f, 1.0f, 1.0f);
        // Growing panel down the right side, shrinking one up the left side.
        const float grow = static_cast<float>(0.15 * u);
        textured_panel(grow, grow, static_cast<float>(u + 0.5), static_cast<float>(1.2 * u + 0.2), kCowPicture,
                       -kPanelAngle);
        double m = 0.075 - 0.15 * u;
        if (m < 0) m = 0;
        textured_panel(static_cast<float>(m), static_cast<float>(m), u, static_cast<float>(0.8 - 1.2 * u), kCowPicture,
                       kPanelAngle);
    }
    glDisable(GL_BLEND);

    triangle_last_time = t;
    const double factor = std::pow(0.01, dt);
    st(sync_state.beat_level, static_cast<float>(static_cast<double>(ld(sync_state.beat_level)) * factor));
}

void triangle_reset_for_test() { triangle_last_time = -1.0; }
