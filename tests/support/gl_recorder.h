// Test-only OpenGL: every entry point the drawing code calls is defined here
// and recorded with its arguments, together with the state it leaves, so tests
// can assert on the call stream instead of on pixels.
#pragma once
#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace glrec {

struct Rgba {
    float r = 1, g = 1, b = 1, a = 1;
};

// The state that matters for a primitive, as it stood at its glBegin.
struct State {
    std::set<GLenum> enabled;
    Rgba color;
    GLenum blend_src = GL_ONE, blend_dst = GL_ZERO;
    GLuint texture = 0;
    GLenum depth_func = GL_LESS;
    GLenum matrix_mode = GL_MODELVIEW;
    bool is_on(GLenum cap) const { return enabled.count(cap) != 0; }
};

struct Vertex {
    float x = 0, y = 0, z = 0;
    Rgba color;  // current colour when the vertex was issued
    float s = 0, t = 0;
};

// One glBegin..glEnd pair, or one glDrawArrays (its vertices read from the
// enabled client arrays, float positions and colours only).
struct Batch {
    GLenum mode = 0;
    State at_begin;
    std::vector<Vertex> vertices;
    size_t first_call = 0;  // index into calls() of its glBegin or glDrawArrays
    bool arrays = false;    // a glDrawArrays
};

struct Call {
    std::string name;
    std::vector<double> args;
};

// Forget every call and return the state to OpenGL's defaults.
void reset();
// Forget the calls and batches so far; the state stays.
void forget_calls();

const std::vector<Call>& calls();
const std::vector<Batch>& batches();
// Batches of one mode, in drawing order.
std::vector<Batch> batches_of(GLenum mode);
// All vertices of the n-th batch of `mode` (0-based); fails the test if absent.
const Batch& nth(GLenum mode, size_t n);
// Every vertex of every batch of `mode`, concatenated.
std::vector<Vertex> vertices_of(GLenum mode);
size_t count(const std::string& name);
size_t batch_count();
size_t vertex_count();

// Current state (after the calls so far).
const State& state();
bool enabled(GLenum cap);
Rgba color();
// Bytes last handed to glPolygonStipple (zeros before any call).
const std::array<uint8_t, 128>& stipple();
// Calls with this name, in order.
std::vector<Call> calls_named(const std::string& name);

}  // namespace glrec
