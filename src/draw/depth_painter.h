// A layer's flat primitives recorded in drawing order and painted in three
// vertex-array draws instead of one glBegin each.
//
// Each primitive gets its own depth, nearer with its place in the recording,
// and the depth test keeps the nearest: every pixel ends with the last
// primitive in recording order that covers it, exactly as drawing them in
// order does, whatever order the draws come in. Two fragments of one primitive
// on one pixel (the arms of a cross, the two triangles of a quad under polygon
// smoothing) share its depth and pass with GL_LEQUAL, as the later one does
// when drawn in order. This holds without blending only; with blending on, or
// a depth buffer of fewer than 24 bits, the primitives are drawn in order.
#pragma once
#include <cstddef>
#include <vector>

#include "draw/vec.h"

struct PaintedPrim {
    Vec2 v[4];      // a quad's corners, or two line segments' ends
    float r, g, b;  // its glColor3f
    bool lines;     // GL_LINES (two segments) or GL_QUADS
    bool hatched;   // drawn with GL_POLYGON_STIPPLE on (lines ignore it)
};

struct DepthPainter {
    std::vector<PaintedPrim> prims;  // this frame's, in drawing order
    size_t capacity = 0;             // further primitives are dropped
    int depth_allowed = -1;          // -1: ask GL for the depth buffer's bits once
    // Vertex arrays of the last paint, kept to reuse their storage.
    std::vector<float> positions, colours;
};

// Empties the recording; allocates room for `capacity` primitives once.
void painter_start(DepthPainter& p, size_t capacity);
// Records one primitive; beyond the capacity it is dropped.
void painter_add(DepthPainter& p, const PaintedPrim& prim);
// Paints the recording. The depth route when it is exact and hatching is
// mixed: the unhatched quads, the line pairs and the hatched quads, at
// depths growing nearer by kPainterDepthStep per primitive, with the depth
// test, GL_LEQUAL and the stipple on only for the hatched ones; otherwise one
// glBegin per primitive in order. Leaves depth testing, the depth function,
// the client arrays and the stipple as it found them except that the stipple
// ends off, and the current colour at the last primitive's.
void painter_paint(DepthPainter& p);

// Depth step between consecutive primitives: 0.001 units of the demo's depth
// range (0.1 to 1000) is about 17 steps of a 24-bit depth buffer.
constexpr float kPainterDepthStep = 0.001f;
