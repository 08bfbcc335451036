// Enables, disables and the blend function held back until the next glBegin.
// On a software rasteriser every state change that reaches OpenGL between two
// primitives ends a draw call, and a change that a later call undoes before
// anything is drawn costs that for nothing. A layer that draws through these
// calls sends only what differs at each glBegin; its primitives see exactly
// the state that direct calls would have set. Rules for a layer:
//   - lazy_layer_start() first: nothing is assumed about OpenGL's state, so
//     the first change of each capability is always sent;
//   - lazy_begin(mode) instead of glBegin, and lazy_flush() before drawing
//     through anything that calls glBegin itself (textured_panel);
//   - lazy_flush() before returning, so OpenGL holds what the layer leaves.
// Capabilities other than stippling, blending and line smoothing go straight through.
#pragma once
#include <cstdint>

#include "draw/gl.h"

namespace lazy_gl {

constexpr int kCapCount = 3;
constexpr int8_t kUnknown = -1;

struct State {
    int8_t wanted[kCapCount] = {kUnknown, kUnknown, kUnknown};
    int8_t sent[kCapCount] = {kUnknown, kUnknown, kUnknown};
    GLenum want_src = 0, want_dst = 0;  // 0: never set by this layer
    GLenum sent_src = 0, sent_dst = 0;  // 0: not known
    bool dirty = false;
};

extern State state;

inline int cap_index(GLenum cap)
{
    switch (cap) {
        case GL_POLYGON_STIPPLE:
            return 0;
        case GL_BLEND:
            return 1;
        case GL_LINE_SMOOTH:
            return 2;
        default:
            return -1;
    }
}

constexpr GLenum kCapNames[kCapCount] = {GL_POLYGON_STIPPLE, GL_BLEND, GL_LINE_SMOOTH};

inline void set_cap(GLenum cap, int8_t on)
{
    const int i = cap_index(cap);
    if (i < 0) {
        if (on)
            glEnable(cap);
        else
            glDisable(cap);
        return;
    }
    state.wanted[i] = on;
    state.dirty = true;
}

// Sends what differs from what was sent (or everything not known to match).
void flush_changes();

}  // namespace lazy_gl

inline void lazy_layer_start() { lazy_gl::state = lazy_gl::State{}; }
inline void lazy_enable(GLenum cap) { lazy_gl::set_cap(cap, 1); }
inline void lazy_disable(GLenum cap) { lazy_gl::set_cap(cap, 0); }
inline void lazy_blend_func(GLenum src, GLenum dst)
{
    lazy_gl::state.want_src = src;
    lazy_gl::state.want_dst = dst;
    lazy_gl::state.dirty = true;
}
inline void lazy_flush()
{
    if (lazy_gl::state.dirty) lazy_gl::flush_changes();
}
inline void lazy_begin(GLenum mode)
{
    lazy_flush();
    glBegin(mode);
}
