// The recursive swaying quads grown on the edges of a centred square.
#pragma once
#include "draw/depth_painter.h"
#include "draw/vec.h"

// The frame time as a float, written at the start of each layer frame and
// read by every node for its wobble.
extern float subdiv_time;
// The layer's primitives in drawing order: the last frame's, or what
// quad_node calls have added since.
extern DepthPainter quad_painter;
// Whether the primitives recorded next are hatched (stippled).
extern bool quad_hatching;

// Draws the four edge trees of the square from 0.2 to 0.8, clockwise from the
// top edge, through quad_painter: the pixels of drawing them in order. Changes
// no blending; leaves stippling and depth testing off.
void quad_layer(double t);
// Records the node on the edge a -> b and its four children (bytes from the
// choice table, none at depth 6) into quad_painter; calls no OpenGL.
// quad_hatching is off on return.
void quad_node(Vec2 a, Vec2 b, int depth);

// Tests only: subdiv_time back to 0, the recording emptied and the depth
// buffer asked about again.
void quad_reset_for_test();
