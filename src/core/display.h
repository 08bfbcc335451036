// The demo's OpenGL display: 8 bits each of red, green, blue and alpha, a
// 24-bit depth buffer, an 8-bit stencil buffer where the driver has one,
// double-buffered.
#pragma once
#include <cstdint>

struct SDL_Surface;

// Sets the attributes and the video mode (SDL's video must be initialised),
// then a viewport letterboxed to 4:3 in whatever size the display got, with
// black bars.
// Windowed, the display is width x height. Full screen, it is the desktop's
// size (width x height when SDL cannot say): a smaller mode would leave the
// window at that size where no window manager enlarges it, while SDL draws
// as if it filled the screen (magnified and cut). Returns null when the mode
// is refused; SDL_GetError() says why.
SDL_Surface* open_gl_display(int width, int height, bool fullscreen);
