// The one place the drawing code includes OpenGL from. The demo links libGL;
// unit tests link a recording stand-in with the same entry points.
#pragma once
#include <GL/gl.h>
