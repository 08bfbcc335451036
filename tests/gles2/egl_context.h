// An OpenGL ES 2 context with no window: Mesa's surfaceless EGL platform and
// a pbuffer of 8-bit RGBA, 24-bit depth and 8-bit stencil, as the demo's
// display asks for.
#pragma once
#include <string>

// Makes the context current (once per process); false and `why` when EGL or
// the configuration is missing.
bool egl_open(int width, int height, std::string& why);
