// The recursive swaying quads grown on the edges of a centred square.
#pragma once
#include "draw/vec.h"

// The frame time as a float, written at the start of each layer frame and
// read by every node for its wobble.
extern float subdiv_time;

// Draws the four edge trees of the square from 0.2 to 0.8, clockwise from the
// top edge. Changes no blending; leaves stippling and depth testing off. With
// a 24-bit depth buffer and blending off it paints the unhatched primitives,
// then the hatched ones, ordered by depth, which gives the pixels of drawing
// them in order.
void quad_layer(double t);
// Draws the node on the edge a -> b and its four children (bytes from the
// choice table, none at depth 6). Stippling is off on return.
void quad_node(Vec2 a, Vec2 b, int depth);

// Tests only: subdiv_time back to 0, the depth buffer asked about again.
void quad_reset_for_test();
// Tests only: whether quad_layer may paint in two depth-ordered passes (the
// recording GL has no depth buffer to ask about).
void quad_allow_depth_order_for_test(bool allowed);
