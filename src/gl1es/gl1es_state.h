// The implementation's own view of the OpenGL 1.1 state, shared by its files.
// Includes OpenGL ES 2 itself, so it is never included by the drawing code.
#pragma once
#include <GLES2/gl2.h>

#include "gl1es/gl1es_api.h"

#include <cstdint>
#include <vector>

namespace gl1es {

// OpenGL 1.1 names ES 2 lacks, under names of our own so they cannot clash
// with ES 2's macros.
constexpr GLenum kQuads = 0x0007;
constexpr GLenum kLineSmooth = 0x0B20;
constexpr GLenum kPolygonSmooth = 0x0B41;
constexpr GLenum kPolygonStipple = 0x0B42;
constexpr GLenum kTexture2d = 0x0DE1;
constexpr GLenum kVertexArray = 0x8074;
constexpr GLenum kColorArray = 0x8076;
constexpr GLenum kCurrentColor = 0x0B00;
constexpr GLenum kCurrentTexCoords = 0x0B03;
constexpr GLenum kMatrixMode = 0x0BA0;
constexpr GLenum kBlendDst = 0x0BE0;
constexpr GLenum kBlendSrc = 0x0BE1;
constexpr GLenum kModelview = 0x1700;
constexpr GLenum kProjection = 0x1701;
constexpr int kStackDepth = 16;

// Column-major, as OpenGL keeps matrices.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};
Matrix multiply(const Matrix& a, const Matrix& b);

// One vertex as the shader takes it: clip position, colour, texture
// coordinate (s, t, q) and, for smoothed lines, the distance across the line,
// along it, and its length, in pixels.
struct Vertex {
    float pos[4];
    float colour[4];
    float tex[3];
    float line[3];
};

struct ClientArray {
    bool enabled = false;
    GLint size = 0;
    GLsizei stride = 0;
    const float* data = nullptr;
};

struct State {
    bool ready = false;
    // Capabilities ES 2 does not have, kept here for the shader and queries.
    bool texture_2d = false, stipple = false, line_smooth = false, polygon_smooth = false;
    bool blend = false, depth_test = false, scissor_test = false;
    GLenum blend_src = GL_ONE, blend_dst = GL_ZERO, depth_func = GL_LESS;
    GLuint texture = 0;
    GLint pack_alignment = 4;
    GLint viewport[4] = {0, 0, 0, 0};
    float colour[4] = {1, 1, 1, 1};
    float tex[4] = {0, 0, 0, 1};
    GLenum matrix_mode = kModelview;
    Matrix stacks[2][kStackDepth];  // model-view, projection
    int depth[2] = {0, 0};
    ClientArray vertex_array, colour_array;
    // The primitive between glBegin and glEnd, transformed.
    bool inside = false;
    GLenum mode = 0;
    std::vector<Vertex> prim;
    std::vector<Vertex> out;  // what goes to ES 2
    // ES 2 objects and what the shader was last told.
    GLuint program = 0, buffer = 0, mask_texture = 0;
    GLint u_texture = -1, u_stipple = -1, u_smooth = -1;
    int sent_texture = -1, sent_stipple = -1, sent_smooth = -1;
    uint8_t stipple_bits[128] = {};
    bool stipple_known = false;
};

extern State state;

// Compiles the shader and makes the buffer and stipple mask the first time;
// a context that cannot run them ends the process with a message.
void ensure_ready();
// The model-view-projection product applied to (x, y, z, 1).
void transform(float x, float y, float z, float out[4]);
// Draws state.prim as an OpenGL 1.1 primitive of `mode` with the current
// state, and empties it.
void draw_primitive(GLenum mode);

}  // namespace gl1es
