// The one place the drawing code includes OpenGL from. The demo links libGL;
// unit tests link a recording stand-in with the same entry points. Built with
// DRENSOLK_GL_GLES2 (the web build, and the ES 2 render comparison), the same
// calls go to the OpenGL 1.1 subset over OpenGL ES 2 in src/gl1es.
#pragma once
#ifdef DRENSOLK_GL_GLES2
#include "gl1es/gl.h"
#else
#include <GL/gl.h>
#endif
