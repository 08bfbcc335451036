#include "effects/quad_subdivision.h"

#include <cstdint>

#include "core/stipple.h"
#include "core/sync_state.h"
#include "draw/gl.h"
#include "draw/gl_state.h"
#include "draw/shapes.h"
#include "effects/choice_table.h"

float subdiv_time = 0.0f;

namespace {

uint8_t quad_stipple[128];

// A quarter turn as the layer has always written it, not pi/2.
constexpr double QUARTER_TURN = 1.57079632675;
constexpr float CROSS_HALF = 0.01f;

}  // namespace

// One node: a parallelogram on the first half of edge a -> b (from depth 2),
// then its four edges recursively; a leaf only ends the stipple.
void quad_node(Vec2 a, Vec2 b, int depth)
{
    if (depth <= 5) {
        const uint8_t byte = take_choice();
        if ((byte & 7) != 0) {
            // Depth, time and byte summed in floats, left to right.
            const float sum = static_cast<float>(depth) + subdiv_time + static_cast<float>(byte);
            const float w = fsin(sum);
            const float theta = static_cast<float>(static_cast<double>(w) - QUARTER_TURN);
            const Vec2 v = b - a;
            const Vec2 r = v.rotated(theta);
            const Vec2 p2 = a + r * 0.5f;
            const Vec2 p3 = p2 + v * 0.5f;
            const Vec2 p4 = (a + b) * 0.5f;
            // A small wobble hatches this quad and the first-child chain below it.
            const bool calm = ffabs(w) < 0.2;
            if (calm) lazy_enable(GL_POLYGON_STIPPLE);
            if (depth > 1) {
                lazy_begin(GL_QUADS);
                glColor3f(static_cast<float>(0.2 * depth), 0.0f, 0.0f);
                a.emit_vertex();
                p2.emit_vertex();
                p3.emit_vertex();
                p4.emit_vertex();
                glEnd();
                if (depth == 2 && calm) {
                    lazy_begin(GL_LINES);
                    glColor3f(0.0f, 0.0f, 0.0f);
                    cross_mark(CROSS_HALF, (p2.x + p4.x) / 2, (p2.y + p4.y) / 2);
                    glEnd();
                }
            }
            quad_node(a, p2, depth + 1);
            quad_node(p2, p3, depth + 1);
            quad_node(p3, p4, depth + 1);
            quad_node(p4, b, depth + 1);
            // The last child's leaf has already switched the stipple off.
            return;
        }
    }
    if (depth == 3) {
        lazy_begin(GL_LINES);
        glColor3f(1.0f, 1.0f, 1.0f);
        cross_mark(CROSS_HALF, a.x, a.y);
        glEnd();
    }
    lazy_disable(GL_POLYGON_STIPPLE);
}

// Four recursive edge trees on the square from 0.2 to 0.8, swaying with time.
void quad_layer(double t)
{
    // Stipple toggles reach OpenGL only where the next primitive needs them.
    lazy_layer_start();
    build_diagonal_stipple(quad_stipple);
    glPolygonStipple(quad_stipple);

    subdiv_time = static_cast<float>(t);

    if (quad_needs_fill) {
        quad_needs_fill = false;
        fill_choice_table();
    }
    choice_cursor = ld(sync_state.jump_count);

    // Clockwise on screen; the cursor runs on from one root to the next.
    quad_node(Vec2(0.2f, 0.2f), Vec2(0.8f, 0.2f), 0);
    quad_node(Vec2(0.8f, 0.2f), Vec2(0.8f, 0.8f), 0);
    quad_node(Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f), 0);
    quad_node(Vec2(0.2f, 0.8f), Vec2(0.2f, 0.2f), 0);

    lazy_disable(GL_POLYGON_STIPPLE);
    lazy_flush();
}

void quad_reset_for_test() { subdiv_time = 0.0f; }
