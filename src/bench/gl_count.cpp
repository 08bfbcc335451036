#include "bench/gl_count.h"

#include <dlfcn.h>

#include "draw/gl.h"

namespace {

GlCounts counts;

// What the counted calls last set, to tell changes from repeats. Starts
// unknown, so the first call of each kind counts as a change.
constexpr int kCaps = 8;
GLenum cap_name[kCaps];
int cap_state[kCaps];  // -1 unknown, 0 off, 1 on
int caps_known = 0;
GLenum blend_set[2] = {0, 0};

// The state and mode at the last glBegin: how many batches a draw with no
// redundant state changes would still have to split at.
int begin_caps[kCaps];
GLenum begin_blend[2] = {0, 0};
GLenum begin_mode = 0xffff;
int begin_caps_known = -1;

void note_begin(GLenum mode)
{
    bool changed = begin_caps_known != caps_known || begin_blend[0] != blend_set[0] || begin_blend[1] != blend_set[1];
    for (int i = 0; i < caps_known && !changed; ++i) changed = begin_caps[i] != cap_state[i];
    if (changed) ++counts.begin_changes;
    if (mode != begin_mode) ++counts.mode_switches;
    for (int i = 0; i < caps_known; ++i) begin_caps[i] = cap_state[i];
    begin_caps_known = caps_known;
    begin_blend[0] = blend_set[0];
    begin_blend[1] = blend_set[1];
    begin_mode = mode;
}

void note_cap(GLenum cap, int on)
{
    for (int i = 0; i < caps_known; ++i) {
        if (cap_name[i] != cap) continue;
        if (cap_state[i] != on) ++counts.state_changes;
        cap_state[i] = on;
        return;
    }
    ++counts.state_changes;
    if (caps_known < kCaps) {
        cap_name[caps_known] = cap;
        cap_state[caps_known++] = on;
    }
}

using BeginFn = void (*)(GLenum);
using Vertex2fFn = void (*)(GLfloat, GLfloat);
using Vertex3fFn = void (*)(GLfloat, GLfloat, GLfloat);
using CapFn = void (*)(GLenum);
using BlendFn = void (*)(GLenum, GLenum);
using DrawArraysFn = void (*)(GLenum, GLint, GLsizei);

BeginFn real_begin;
Vertex2fFn real_vertex2f;
Vertex3fFn real_vertex3f;
CapFn real_enable;
CapFn real_disable;
BlendFn real_blend_func;
DrawArraysFn real_draw_arrays;

template <class F>
bool resolve(F& fn, const char* name)
{
    fn = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    return fn != nullptr;
}

}  // namespace

bool gl_count_init()
{
    return resolve(real_begin, "glBegin") && resolve(real_vertex2f, "glVertex2f") &&
           resolve(real_vertex3f, "glVertex3f") && resolve(real_enable, "glEnable") &&
           resolve(real_disable, "glDisable") && resolve(real_blend_func, "glBlendFunc") &&
           resolve(real_draw_arrays, "glDrawArrays");
}

GlCounts gl_counts() { return counts; }
void gl_counts_reset() { counts = GlCounts{}; }

extern "C" {

void glBegin(GLenum mode)
{
    ++counts.begins;
    note_begin(mode);
    real_begin(mode);
}

void glVertex2f(GLfloat x, GLfloat y)
{
    ++counts.vertices;
    real_vertex2f(x, y);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    ++counts.vertices;
    real_vertex3f(x, y, z);
}

// A batch like a glBegin, its vertices counted as glVertex calls would be.
void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    ++counts.begins;
    counts.vertices += static_cast<uint64_t>(count);
    note_begin(mode);
    real_draw_arrays(mode, first, count);
}

void glEnable(GLenum cap)
{
    ++counts.state_calls;
    note_cap(cap, 1);
    real_enable(cap);
}

void glDisable(GLenum cap)
{
    ++counts.state_calls;
    note_cap(cap, 0);
    real_disable(cap);
}

void glBlendFunc(GLenum s, GLenum d)
{
    ++counts.state_calls;
    if (blend_set[0] != s || blend_set[1] != d) ++counts.state_changes;
    blend_set[0] = s;
    blend_set[1] = d;
    real_blend_func(s, d);
}

}  // extern "C"
