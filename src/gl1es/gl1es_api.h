// The functions behind the OpenGL 1.1 names of gl1es/gl.h. Needs the GL
// types first: from gl1es/gl.h for the drawing code, from <GLES2/gl2.h> for
// the implementation.
#pragma once

typedef double GLdouble;

extern "C" {
// Immediate mode: quads, triangles, fans, strips and lines. Vertices collect
// until glEnd and go to ES 2 in one draw.
void gl1es_begin(GLenum mode);
void gl1es_end();
void gl1es_vertex2f(GLfloat x, GLfloat y);
void gl1es_color3f(GLfloat r, GLfloat g, GLfloat b);
void gl1es_color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void gl1es_tex_coord2f(GLfloat s, GLfloat t);
void gl1es_tex_coord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
// Capabilities: blending, depth and scissor test go to ES 2; texturing,
// polygon stipple and line smoothing are the shader's; polygon smoothing is
// remembered and draws as without it (as Mesa's llvmpipe draws it).
void gl1es_enable(GLenum cap);
void gl1es_disable(GLenum cap);
GLboolean gl1es_is_enabled(GLenum cap);
// Vertex arrays: positions of 2 or 3 floats, colours of 3 or 4 floats.
void gl1es_enable_client_state(GLenum array);
void gl1es_disable_client_state(GLenum array);
void gl1es_vertex_pointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void gl1es_color_pointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void gl1es_draw_arrays(GLenum mode, GLint first, GLsizei count);
void gl1es_blend_func(GLenum src, GLenum dst);
void gl1es_depth_func(GLenum func);
// GL_BLEND_SRC, GL_BLEND_DST, GL_DEPTH_FUNC, GL_DEPTH_BITS, GL_MATRIX_MODE,
// GL_TEXTURE_BINDING_2D, GL_VIEWPORT; GL_CURRENT_COLOR, GL_CURRENT_TEXTURE_COORDS.
void gl1es_get_integerv(GLenum name, GLint* values);
void gl1es_get_floatv(GLenum name, GLfloat* values);
// Projection and model-view stacks, 16 deep each.
void gl1es_matrix_mode(GLenum mode);
void gl1es_load_identity();
void gl1es_ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_z, GLdouble far_z);
void gl1es_translatef(GLfloat x, GLfloat y, GLfloat z);
void gl1es_push_matrix();
void gl1es_pop_matrix();
// Textures: GL_RGB bytes (internal format 3 or GL_RGB), any size: the edges
// clamp, as ES 2 samples sizes other than powers of two only so.
void gl1es_gen_textures(GLsizei n, GLuint* names);
void gl1es_bind_texture(GLenum target, GLuint name);
void gl1es_tex_image2d(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const GLvoid* pixels);
void gl1es_tex_parameteri(GLenum target, GLenum name, GLint value);
// 32 x 32 bits, rows bottom to top, most significant bit leftmost, against
// window coordinates.
void gl1es_polygon_stipple(const GLubyte* mask);
void gl1es_clear(GLbitfield mask);
void gl1es_clear_color(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void gl1es_viewport(GLint x, GLint y, GLsizei width, GLsizei height);
void gl1es_scissor(GLint x, GLint y, GLsizei width, GLsizei height);
void gl1es_pixel_storei(GLenum name, GLint value);
// GL_RGB or GL_RGBA bytes, rows as GL_PACK_ALIGNMENT says.
void gl1es_read_pixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);
void gl1es_finish();
}
