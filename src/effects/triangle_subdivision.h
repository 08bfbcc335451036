// The recursive red triangle tree of orders 8 to 11, with sliding cow panels.
#pragma once
#include "draw/vec.h"

// Time of the layer's previous frame, for the decay of beat_level; -1 at start.
extern double triangle_last_time;

// Draws the tree and the panels, then decays beat_level (the frame is drawn
// with the level from before the decay). Leaves blending, stippling, line
// smoothing and texturing off.
void triangle_layer(double t);
// Draws one triangle, its children (bytes from the choice table, none at
// depth 6) and then its outline over them. Stippling is off on return.
void triangle_node(Vec2 a, Vec2 b, Vec2 c, int depth);

// Tests only: triangle_last_time back to -1.
void triangle_reset_for_test();
