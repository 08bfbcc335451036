// The view every frame is drawn in.
#pragma once

// Loads the demo's projection into GL_PROJECTION, which stays the matrix
// mode: x from 0 (left) to 1 (right), y from 0.125 (top) to 0.875 (bottom),
// one unit the same number of pixels both ways on a 4:3 viewport.
void set_projection();

// Clears colour, depth and stencil for a new frame. Stencil goes with depth
// because where a display has both they share one buffer: clearing depth
// alone must keep the stencil bits, a masked write per pixel on a software
// rasteriser, where clearing both is a plain fill (0.3 ms a frame on
// llvmpipe at 640 x 480). Nothing draws with the stencil.
void clear_frame();

// A rectangle of pixels, x and y from the bottom left as glViewport takes them.
struct ViewRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The largest 4:3 rectangle centred in a width x height drawable (sizes of 0
// or less give an empty rectangle). A 4:3 drawable is filled exactly; any
// other shape gets equal black bars at the sides or at the top and bottom.
ViewRect letterbox(int width, int height);

// Viewport and scissor box at letterbox(width, height), the scissor test on
// where there are bars (off for a 4:3 drawable): every frame at any drawable
// size shows the whole view, circles stay round, nothing is cut, and nothing
// (glClear included) touches the bars, which stay as they were (the caller
// clears them once).
void set_viewport(int width, int height);
