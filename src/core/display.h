// The demo's OpenGL display: 8 bits each of red, green, blue and alpha, a
// 24-bit depth buffer, an 8-bit stencil buffer where the driver has one,
// double-buffered.
#pragma once
#include <cstdint>

struct SDL_Surface;

// The modes open_gl_display asks for, in order, until one is granted.
struct DisplaySize {
    int width = 0;
    int height = 0;
};
struct DisplaySizes {
    DisplaySize size[2];
    int count = 0;
};

// Windowed: width x height alone. Full screen: the desktop's size (when it is
// known, > 0, and differs), then width x height.
DisplaySizes display_sizes(int width, int height, bool fullscreen, int desktop_width, int desktop_height);

// Sets the attributes and the video mode (SDL's video must be initialised),
// then a viewport letterboxed to 4:3 in whatever size the display got, with
// black bars.
// Windowed, the display is width x height. Full screen, it is the desktop's
// size: a smaller mode would leave the window at that size where no window
// manager enlarges it, while SDL draws as if it filled the screen (magnified
// and cut). Where SDL cannot say that size or refuses it, full screen at
// width x height. Each size is tried with a stencil buffer, then without.
// Returns null when SDL's video is not started or every mode is refused;
// SDL_GetError() says why.
SDL_Surface* open_gl_display(int width, int height, bool fullscreen);
