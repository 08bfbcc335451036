// The demo's OpenGL display: 8 bits each of red, green, blue and alpha, a
// 24-bit depth buffer, double-buffered.
#pragma once
#include <cstdint>

struct SDL_Surface;

// Sets the attributes and the video mode (SDL's video must be initialised).
// Returns null when the mode is refused; SDL_GetError() says why.
SDL_Surface* open_gl_display(int width, int height, bool fullscreen);
