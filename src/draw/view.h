// The view every frame is drawn in.
#pragma once

// Loads the demo's projection into GL_PROJECTION, which stays the matrix
// mode: x from 0 (left) to 1 (right), y from 0.125 (top) to 0.875 (bottom),
// one unit the same number of pixels both ways on a 4:3 viewport.
void set_projection();
