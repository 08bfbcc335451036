// Primitive shapes in drawing coordinates (x right, y down, centre (0.5, 0.5)).
// A point at angle a on a circle is (cx + r cos a, cy + r sin a): growing angles
// run clockwise on screen. A negative radius mirrors through the centre.
// Unless noted, a shape only adds vertices to a primitive the caller opened,
// in the colour the caller set last.
#pragma once
#include <cstdint>
#include "draw/vec.h"

// GL_QUADS: ring sector between radii r_a and r_b from angle a0 to a1, `segments` quads.
void arc_band(float r_a, float r_b, float cx, float cy, int segments, float a0, float a1);
// GL_TRIANGLES: disc as `segments` separate triangles, first corner at angle `phase`.
void filled_disc(float radius, float cx, float cy, int segments, float phase);
// GL_LINES: closed polygon of `segments` sides with a corner at angle `phase`.
void circle_outline(float radius, float cx, float cy, int segments, float phase);
// Opens and closes its own GL_TRIANGLES: 20 wedges with gaps, turning with t.
// Additive blending while drawing if `additive`; GL_BLEND is off afterwards and
// the current colour is rim_colour.
void gradient_disc(double t, float radius, const Color3& centre_colour, const Color3& rim_colour, bool additive,
                   float cx, float cy);
// GL_LINES: plus sign, horizontal segment first.
void cross_mark(float half_len, float cx, float cy);
// GL_LINES: rectangle outline around the screen centre (0.5, 0.5).
void centered_rect_outline(float half_w, float half_h);
// Opens and closes its own GL_QUADS: the picture of OpenGL texture `texture`,
// w by h, turned by `angle`, centred on (cx, cy), its first row along the top
// edge. Leaves GL_TEXTURE_2D off and the texture bound.
void textured_quad(float w, float h, float cx, float cy, uint32_t texture, float angle);
