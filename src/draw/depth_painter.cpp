#include "draw/depth_painter.h"

#include "draw/gl.h"

namespace {

bool depth_route_exact(DepthPainter& p)
{
    if (p.depth_allowed < 0) {
        GLint bits = 0;
        glGetIntegerv(GL_DEPTH_BITS, &bits);
        p.depth_allowed = bits >= 24 ? 1 : 0;
    }
    return p.depth_allowed == 1 && !glIsEnabled(GL_BLEND);
}

void set_stipple(bool on)
{
    if (on)
        glEnable(GL_POLYGON_STIPPLE);
    else
        glDisable(GL_POLYGON_STIPPLE);
}

// Appends primitive i's four vertices at depth z (0 when painting in order).
void append(DepthPainter& p, size_t i, float z)
{
    const PaintedPrim& prim = p.prims[i];
    for (const Vec2& v : prim.v) {
        p.positions.insert(p.positions.end(), {v.x, v.y, z});
        p.colours.insert(p.colours.end(), {prim.r, prim.g, prim.b});
    }
}

// One draw of everything appended since the arrays were last emptied.
void flush(DepthPainter& p, bool lines)
{
    if (p.positions.empty()) return;
    glVertexPointer(3, GL_FLOAT, 0, p.positions.data());
    glColorPointer(3, GL_FLOAT, 0, p.colours.data());
    glDrawArrays(lines ? GL_LINES : GL_QUADS, 0, static_cast<GLsizei>(p.positions.size() / 3));
    p.positions.clear();
    p.colours.clear();
}

// One draw per kind, each primitive at its own depth.
void paint_by_depth(DepthPainter& p)
{
    const bool depth_was_on = glIsEnabled(GL_DEPTH_TEST);
    GLint depth_func = GL_LESS;
    glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
    if (!depth_was_on) glEnable(GL_DEPTH_TEST);
    if (depth_func != GL_LEQUAL) glDepthFunc(GL_LEQUAL);
    for (const bool hatched : {false, true}) {
        set_stipple(hatched);
        for (const bool lines : {false, true}) {
            for (size_t i = 0; i < p.prims.size(); ++i)
                if (p.prims[i].hatched == hatched && p.prims[i].lines == lines)
                    append(p, i, kPainterDepthStep * static_cast<float>(i));
            flush(p, lines);
        }
    }
    if (depth_func != GL_LEQUAL) glDepthFunc(static_cast<GLenum>(depth_func));
    if (!depth_was_on) glDisable(GL_DEPTH_TEST);
}

// Runs of primitives of one kind and one hatching, one draw each, in order.
void paint_in_order(DepthPainter& p)
{
    bool stipple = false;
    for (size_t i = 0; i < p.prims.size(); ++i) {
        const PaintedPrim& prim = p.prims[i];
        if (i == 0 || prim.hatched != stipple) {
            flush(p, i > 0 && p.prims[i - 1].lines);
            stipple = prim.hatched;
            set_stipple(stipple);
        } else if (prim.lines != p.prims[i - 1].lines) {
            flush(p, p.prims[i - 1].lines);
        }
        append(p, i, 0.0f);
    }
    flush(p, p.prims.back().lines);
}

}  // namespace

void painter_start(DepthPainter& p, size_t capacity)
{
    if (p.capacity != capacity) {
        p.capacity = capacity;
        p.prims.reserve(capacity);
        p.positions.reserve(capacity * 12);
        p.colours.reserve(capacity * 12);
    }
    p.prims.clear();
}

void painter_add(DepthPainter& p, const PaintedPrim& prim)
{
    if (p.prims.size() < p.capacity) p.prims.push_back(prim);
}

void painter_paint(DepthPainter& p)
{
    if (p.prims.empty()) {
        glDisable(GL_POLYGON_STIPPLE);
        return;
    }
    size_t hatched = 0, hatched_quads = 0;
    for (const PaintedPrim& prim : p.prims) {
        hatched += prim.hatched;
        hatched_quads += prim.hatched && !prim.lines;
    }
    const bool mixed = hatched_quads > 0 && hatched < p.prims.size();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    if (mixed && depth_route_exact(p))
        paint_by_depth(p);
    else
        paint_in_order(p);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisable(GL_POLYGON_STIPPLE);
    // The colour array leaves the current colour undefined.
    const PaintedPrim& last = p.prims.back();
    glColor3f(last.r, last.g, last.b);
}
