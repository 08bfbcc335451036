// A 5 by 8 grid of hexagon outlines switched by the beat.
#pragma once

// Draws from `grid_phase` and `accent_count` only (t is unused). Enables
// GL_POLYGON_SMOOTH and never disables it; disables GL_LINE_SMOOTH and GL_BLEND
// on return, leaving the blend function (GL_SRC_ALPHA_SATURATE, GL_ONE) and white.
void draw_hex_grid(double t);
