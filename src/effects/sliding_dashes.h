// Ten black rectangles moving left to right and wrapping.
#pragma once

// One GL_QUADS batch of 10 black 0.05 by 0.1 dashes; stateless, changes only
// the current colour.
void draw_sliding_dashes(double t);
