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
constexpr double kQuarterTurn = 1.57079632675;
constexpr float kCrossHalf = 0.01f;

// A layer frame is recorded first and painted afterwards. On a software
// rasteriser each of the few hundred stipple toggles between the quads ends a
// draw call and costs about as much as all the quads together. Painting the
// unhatched primitives, then the hatched ones, each at a depth that grows
// nearer with its place in the drawing order, leaves every pixel to the last
// primitive in that order that covers it, exactly as drawing in order does:
// there is no blending, and one primitive never covers a pixel twice in two
// colours. The depth buffer is cleared every frame and read by nothing else.
struct Prim {
    Vec2 v[4];      // a quad's corners, or a cross's four line ends
    float r, g, b;  // its glColor3f
    bool lines;     // GL_LINES (a cross) or GL_QUADS
    bool hatched;   // the stipple was on at its glBegin
};
// Every quad of a full tree, a centre cross per depth-2 quad and a white
// cross per depth-3 node.
constexpr size_t kMaxPrims = 5440 + 64 + 1024;
Prim prims[kMaxPrims];
size_t prim_count = 0;
bool recording = false;        // inside quad_layer: record instead of draw
bool stipple_on = false;       // while recording: what the stipple would be
int depth_order_allowed = -1;  // -1: ask GL for a deep enough depth buffer

// Depth steps between consecutive primitives: 0.001 units of the view's depth
// range (0.1 to 1000) is about 17 steps of a 24-bit depth buffer.
constexpr float kDepthStep = 0.001f;

void set_stipple(bool on)
{
    if (recording)
        stipple_on = on;
    else if (on)
        lazy_enable(GL_POLYGON_STIPPLE);
    else
        lazy_disable(GL_POLYGON_STIPPLE);
}

void cross_ends(float cx, float cy, Vec2 out[4])
{
    out[0] = Vec2(cx - kCrossHalf, cy);
    out[1] = Vec2(cx + kCrossHalf, cy);
    out[2] = Vec2(cx, cy - kCrossHalf);
    out[3] = Vec2(cx, cy + kCrossHalf);
}

void record(const Prim& p)
{
    if (prim_count < kMaxPrims) prims[prim_count++] = p;
}

void draw_quad(Vec2 a, Vec2 p2, Vec2 p3, Vec2 p4, float red)
{
    if (recording) {
        record(Prim{{a, p2, p3, p4}, red, 0.0f, 0.0f, false, stipple_on});
        return;
    }
    lazy_begin(GL_QUADS);
    glColor3f(red, 0.0f, 0.0f);
    a.emit_vertex();
    p2.emit_vertex();
    p3.emit_vertex();
    p4.emit_vertex();
    glEnd();
}

void draw_cross(float cx, float cy, float shade)
{
    if (recording) {
        Prim p{{}, shade, shade, shade, true, stipple_on};
        cross_ends(cx, cy, p.v);
        record(p);
        return;
    }
    lazy_begin(GL_LINES);
    glColor3f(shade, shade, shade);
    cross_mark(kCrossHalf, cx, cy);
    glEnd();
}

void paint(const Prim& p, bool with_depth, float z)
{
    glBegin(p.lines ? GL_LINES : GL_QUADS);
    glColor3f(p.r, p.g, p.b);
    for (const Vec2& v : p.v) {
        if (with_depth)
            glVertex3f(v.x, v.y, z);
        else
            v.emit_vertex();
    }
    glEnd();
}

bool depth_order_possible()
{
    if (depth_order_allowed < 0) {
        GLint bits = 0;
        glGetIntegerv(GL_DEPTH_BITS, &bits);
        depth_order_allowed = bits >= 24 ? 1 : 0;
    }
    return depth_order_allowed == 1 && !glIsEnabled(GL_BLEND);
}

// Paints the recorded frame; leaves the stipple off and the colour of the
// last primitive, as drawing in order would.
void paint_recorded()
{
    size_t hatched = 0, hatched_quads = 0;
    for (size_t i = 0; i < prim_count; ++i) {
        hatched += prims[i].hatched;
        hatched_quads += prims[i].hatched && !prims[i].lines;
    }
    const bool mixed = hatched_quads > 0 && hatched < prim_count;
    if (mixed && depth_order_possible()) {
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_POLYGON_STIPPLE);
        for (size_t i = 0; i < prim_count; ++i)
            if (!prims[i].hatched) paint(prims[i], true, kDepthStep * static_cast<float>(i));
        glEnable(GL_POLYGON_STIPPLE);
        for (size_t i = 0; i < prim_count; ++i)
            if (prims[i].hatched) paint(prims[i], true, kDepthStep * static_cast<float>(i));
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_POLYGON_STIPPLE);
        const Prim& last = prims[prim_count - 1];
        glColor3f(last.r, last.g, last.b);
        return;
    }
    // In order, with the toggles the primitives need (one where none is mixed).
    for (size_t i = 0; i < prim_count; ++i) {
        if (prims[i].hatched)
            lazy_enable(GL_POLYGON_STIPPLE);
        else
            lazy_disable(GL_POLYGON_STIPPLE);
        lazy_flush();
        paint(prims[i], false, 0.0f);
    }
    glDisable(GL_POLYGON_STIPPLE);
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
    recording = true;
    prim_count = 0;
    stipple_on = glIsEnabled(GL_POLYGON_STIPPLE);
    quad_node(Vec2(0.2f, 0.2f), Vec2(0.8f, 0.2f), 0);
    quad_node(Vec2(0.8f, 0.2f), Vec2(0.8f, 0.8f), 0);
    quad_node(Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f), 0);
    quad_node(Vec2(0.2f, 0.8f), Vec2(0.2f, 0.2f), 0);
    recording = false;

    paint_recorded();
}

void quad_reset_for_test()
{
    subdiv_time = 0.0f;
    depth_order_allowed = -1;
}

void quad_allow_depth_order_for_test(bool allowed) { depth_order_allowed = allowed ? 1 : 0; }
