// The OpenGL 1.1 calls this program makes, over OpenGL ES 2 (WebGL 1 in the
// browser). The drawing code includes this instead of <GL/gl.h> when built
// with DRENSOLK_GL=gles2; only what is declared here exists, so a call the
// drawing code starts making without an implementation here fails to compile.
// Values of the constants are OpenGL's own. Main thread only, with the ES 2
// context current; the first call compiles the shaders (and exits with a
// message if the context cannot run them).
#pragma once
#include <cstdint>

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef int GLint;
typedef int GLsizei;
typedef unsigned int GLuint;
typedef unsigned char GLubyte;
typedef float GLfloat;
typedef float GLclampf;

#define GL_FALSE 0
#define GL_TRUE 1
// Primitives
#define GL_LINES 0x0001
#define GL_TRIANGLES 0x0004
#define GL_TRIANGLE_STRIP 0x0005
#define GL_TRIANGLE_FAN 0x0006
#define GL_QUADS 0x0007
// Capabilities
#define GL_LINE_SMOOTH 0x0B20
#define GL_POLYGON_SMOOTH 0x0B41
#define GL_POLYGON_STIPPLE 0x0B42
#define GL_DEPTH_TEST 0x0B71
#define GL_BLEND 0x0BE2
#define GL_SCISSOR_TEST 0x0C11
#define GL_TEXTURE_2D 0x0DE1
#define GL_VERTEX_ARRAY 0x8074
#define GL_COLOR_ARRAY 0x8076
// Blend factors
#define GL_ZERO 0
#define GL_ONE 1
#define GL_SRC_COLOR 0x0300
#define GL_ONE_MINUS_SRC_COLOR 0x0301
#define GL_SRC_ALPHA 0x0302
#define GL_ONE_MINUS_SRC_ALPHA 0x0303
#define GL_DST_ALPHA 0x0304
#define GL_ONE_MINUS_DST_ALPHA 0x0305
#define GL_DST_COLOR 0x0306
#define GL_ONE_MINUS_DST_COLOR 0x0307
#define GL_SRC_ALPHA_SATURATE 0x0308
// Depth functions
#define GL_NEVER 0x0200
#define GL_LESS 0x0201
#define GL_EQUAL 0x0202
#define GL_LEQUAL 0x0203
#define GL_GREATER 0x0204
#define GL_NOTEQUAL 0x0205
#define GL_GEQUAL 0x0206
#define GL_ALWAYS 0x0207
// Queries
#define GL_CURRENT_COLOR 0x0B00
#define GL_CURRENT_TEXTURE_COORDS 0x0B03
#define GL_DEPTH_FUNC 0x0B74
#define GL_MATRIX_MODE 0x0BA0
#define GL_VIEWPORT 0x0BA2
#define GL_BLEND_DST 0x0BE0
#define GL_BLEND_SRC 0x0BE1
#define GL_DEPTH_BITS 0x0D56
#define GL_TEXTURE_BINDING_2D 0x8069
// Matrices
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
// Buffers
#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_STENCIL_BUFFER_BIT 0x00000400
#define GL_COLOR_BUFFER_BIT 0x00004000
// Pixels and textures
#define GL_UNSIGNED_BYTE 0x1401
#define GL_FLOAT 0x1406
#define GL_RGB 0x1907
#define GL_RGBA 0x1908
#define GL_PACK_ALIGNMENT 0x0D05
#define GL_UNPACK_ALIGNMENT 0x0CF5
#define GL_NEAREST 0x2600
#define GL_LINEAR 0x2601
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MIN_FILTER 0x2801

// The GL names map onto gl1es_ functions, so that the implementation can call
// OpenGL ES 2's functions of the same names.
#define glBegin gl1es_begin
#define glEnd gl1es_end
#define glVertex2f gl1es_vertex2f
#define glColor3f gl1es_color3f
#define glColor4f gl1es_color4f
#define glTexCoord2f gl1es_tex_coord2f
#define glTexCoord4f gl1es_tex_coord4f
#define glEnable gl1es_enable
#define glDisable gl1es_disable
#define glIsEnabled gl1es_is_enabled
#define glEnableClientState gl1es_enable_client_state
#define glDisableClientState gl1es_disable_client_state
#define glVertexPointer gl1es_vertex_pointer
#define glColorPointer gl1es_color_pointer
#define glDrawArrays gl1es_draw_arrays
#define glBlendFunc gl1es_blend_func
#define glDepthFunc gl1es_depth_func
#define glGetIntegerv gl1es_get_integerv
#define glGetFloatv gl1es_get_floatv
#define glMatrixMode gl1es_matrix_mode
#define glLoadIdentity gl1es_load_identity
#define glOrtho gl1es_ortho
#define glTranslatef gl1es_translatef
#define glPushMatrix gl1es_push_matrix
#define glPopMatrix gl1es_pop_matrix
#define glGenTextures gl1es_gen_textures
#define glBindTexture gl1es_bind_texture
#define glTexImage2D gl1es_tex_image2d
#define glTexParameteri gl1es_tex_parameteri
#define glPolygonStipple gl1es_polygon_stipple
#define glClear gl1es_clear
#define glClearColor gl1es_clear_color
#define glViewport gl1es_viewport
#define glScissor gl1es_scissor
#define glPixelStorei gl1es_pixel_storei
#define glReadPixels gl1es_read_pixels
#define glFinish gl1es_finish

#include "gl1es/gl1es_api.h"
