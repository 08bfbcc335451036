#include "effects/quad_subdivision.h"

#include <cstdint>

#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "draw/depth_painter.h"
#include "draw/gl.h"
#include "effects/choice_table.h"

float subdiv_time = 0.0f;
DepthPainter quad_painter;
bool quad_hatching = false;

namespace {

uint8_t quad_stipple[128];

// A quarter turn as the layer has always written it, not pi/2.
constexpr double kQuarterTurn = 1.57079632675;
constexpr float kCrossHalf = 0.01f;

// Every quad of a full tree, a centre cross per depth-2 quad and a white
// cross per depth-3 node.
constexpr size_t kMaxPrims = 5440 + 64 + 1024;

void set_stipple(bool on) { quad_hatching = on; }

void draw_quad(Vec2 a, Vec2 p2, Vec2 p3, Vec2 p4, float red)
{
    painter_add(quad_painter, PaintedPrim{{a, p2, p3, p4}, red, 0.0f, 0.0f, false, quad_hatching});
}

// The arms of cross_mark: horizontal first.
void draw_cross(float cx, float cy, float shade)
{
    const Vec2 ends[4] = {Vec2(cx - kCrossHalf, cy), Vec2(cx + kCrossHalf, cy), Vec2(cx, cy - kCrossHalf),
                          Vec2(cx, cy + kCrossHalf)};
    painter_add(quad_painter,
                PaintedPrim{{ends[0], ends[1], ends[2], ends[3]}, shade, shade, shade, true, quad_hatching});
}

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
            const float theta = static_cast<float>(static_cast<double>(w) - kQuarterTurn);
            const Vec2 v = b - a;
            const Vec2 r = v.rotated(theta);
            const Vec2 p2 = a + r * 0.5f;
            const Vec2 p3 = p2 + v * 0.5f;
            const Vec2 p4 = (a + b) * 0.5f;
            // A small wobble hatches this quad and the first-child chain below it.
            const bool calm = ffabs(w) < 0.2;
            if (calm) set_stipple(true);
            if (depth > 1) {
                draw_quad(a, p2, p3, p4, static_cast<float>(0.2 * depth));
                if (depth == 2 && calm) draw_cross((p2.x + p4.x) / 2, (p2.y + p4.y) / 2, 0.0f);
            }
            quad_node(a, p2, depth + 1);
            quad_node(p2, p3, depth + 1);
            quad_node(p3, p4, depth + 1);
            quad_node(p4, b, depth + 1);
            // The last child's leaf has already switched the stipple off.
            return;
        }
    }
    if (depth == 3) draw_cross(a.x, a.y, 1.0f);
    set_stipple(false);
}

// Four recursive edge trees on the square from 0.2 to 0.8, swaying with time.
void quad_layer(double t)
{
    build_diagonal_stipple(quad_stipple);
    glPolygonStipple(quad_stipple);

    subdiv_time = static_cast<float>(t);

    if (quad_needs_fill) {
        quad_needs_fill = false;
        fill_choice_table();
    }
    choice_cursor = ld(sync_state.jump_count);

    // Recorded first, painted afterwards: on a software rasteriser each of the
    // few hundred stipple toggles between the quads would end a draw call.
    // Clockwise on screen; the cursor runs on from one root to the next.
    painter_start(quad_painter, kMaxPrims);
    quad_hatching = glIsEnabled(GL_POLYGON_STIPPLE);
    quad_node(Vec2(0.2f, 0.2f), Vec2(0.8f, 0.2f), 0);
    quad_node(Vec2(0.8f, 0.2f), Vec2(0.8f, 0.8f), 0);
    quad_node(Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f), 0);
    quad_node(Vec2(0.2f, 0.8f), Vec2(0.2f, 0.2f), 0);
    painter_paint(quad_painter);
}

void quad_reset_for_test()
{
    subdiv_time = 0.0f;
    quad_hatching = false;
    painter_start(quad_painter, kMaxPrims);
    quad_painter.depth_allowed = -1;
}
