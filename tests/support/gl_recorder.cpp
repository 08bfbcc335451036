#include "support/gl_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace glrec {
namespace {

struct Recorder {
    std::vector<Call> calls;
    std::vector<Batch> batches;
    State state;
    std::array<uint8_t, 128> stipple{};
    bool inside = false;
    GLuint next_texture = 1;
    float tex_s = 0, tex_t = 0;
    bool vertex_array = false, color_array = false;
    const float* vertex_pointer = nullptr;
    const float* color_pointer = nullptr;
    GLint vertex_size = 0, color_size = 0;
};
Recorder rec;

void log(const char* name, std::initializer_list<double> args)
{
    rec.calls.push_back(Call{name, std::vector<double>(args)});
}

void vertex(float x, float y, float z)
{
    if (!rec.inside) ADD_FAILURE() << "glVertex outside glBegin/glEnd";
    if (rec.batches.empty()) return;
    rec.batches.back().vertices.push_back(Vertex{x, y, z, rec.state.color, rec.tex_s, rec.tex_t});
}

}  // namespace

void reset() { rec = Recorder{}; }
void forget_calls()
{
    rec.calls.clear();
    rec.batches.clear();
}
const std::vector<Call>& calls() { return rec.calls; }
const std::vector<Batch>& batches() { return rec.batches; }

std::vector<Batch> batches_of(GLenum mode)
{
    std::vector<Batch> out;
    for (const Batch& b : rec.batches)
        if (b.mode == mode) out.push_back(b);
    return out;
}

const Batch& nth(GLenum mode, size_t n)
{
    static const Batch empty;
    size_t seen = 0;
    for (const Batch& b : rec.batches)
        if (b.mode == mode && seen++ == n) return b;
    ADD_FAILURE() << "no batch " << n << " of mode " << mode;
    return empty;
}

std::vector<Vertex> vertices_of(GLenum mode)
{
    std::vector<Vertex> out;
    for (const Batch& b : rec.batches)
        if (b.mode == mode) out.insert(out.end(), b.vertices.begin(), b.vertices.end());
    return out;
}

size_t count(const std::string& name)
{
    size_t n = 0;
    for (const Call& c : rec.calls) n += c.name == name;
    return n;
}

size_t batch_count() { return rec.batches.size(); }

size_t vertex_count()
{
    size_t n = 0;
    for (const Batch& b : rec.batches) n += b.vertices.size();
    return n;
}

const State& state() { return rec.state; }
bool enabled(GLenum cap) { return rec.state.is_on(cap); }
Rgba color() { return rec.state.color; }
const std::array<uint8_t, 128>& stipple() { return rec.stipple; }

std::vector<Call> calls_named(const std::string& name)
{
    std::vector<Call> out;
    for (const Call& c : rec.calls)
        if (c.name == name) out.push_back(c);
    return out;
}

}  // namespace glrec

using glrec::log;
using glrec::rec;

extern "C" {

void glBegin(GLenum mode)
{
    log("glBegin", {double(mode)});
    if (rec.inside) ADD_FAILURE() << "nested glBegin";
    rec.inside = true;
    glrec::Batch b;
    b.mode = mode;
    b.at_begin = rec.state;
    b.first_call = rec.calls.size() - 1;
    rec.batches.push_back(std::move(b));
}

void glEnd()
{
    log("glEnd", {});
    if (!rec.inside) ADD_FAILURE() << "glEnd without glBegin";
    rec.inside = false;
}

void glVertex2f(GLfloat x, GLfloat y)
{
    log("glVertex2f", {x, y});
    glrec::vertex(x, y, 0.0f);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    log("glVertex3f", {x, y, z});
    glrec::vertex(x, y, z);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    log("glColor3f", {r, g, b});
    rec.state.color = glrec::Rgba{r, g, b, 1.0f};
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    log("glColor4f", {r, g, b, a});
    rec.state.color = glrec::Rgba{r, g, b, a};
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    log("glTexCoord2f", {s, t});
    rec.tex_s = s;
    rec.tex_t = t;
}

void glTexCoord4f(GLfloat s, GLfloat t, GLfloat, GLfloat)
{
    log("glTexCoord4f", {s, t});
    rec.tex_s = s;
    rec.tex_t = t;
}

void glGetFloatv(GLenum pname, GLfloat* out)
{
    if (pname == GL_CURRENT_COLOR) {
        const glrec::Rgba& c = rec.state.color;
        out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
    } else if (pname == GL_CURRENT_TEXTURE_COORDS) {
        out[0] = rec.tex_s, out[1] = rec.tex_t, out[2] = 0, out[3] = 1;
    } else {
        out[0] = 0;
    }
}

void glPushMatrix() { log("glPushMatrix", {}); }
void glPopMatrix() { log("glPopMatrix", {}); }

void glEnable(GLenum cap)
{
    log("glEnable", {double(cap)});
    if (rec.inside) ADD_FAILURE() << "glEnable inside glBegin/glEnd";
    rec.state.enabled.insert(cap);
}

void glDisable(GLenum cap)
{
    log("glDisable", {double(cap)});
    if (rec.inside) ADD_FAILURE() << "glDisable inside glBegin/glEnd";
    rec.state.enabled.erase(cap);
}

GLboolean glIsEnabled(GLenum cap) { return rec.state.is_on(cap) ? GL_TRUE : GL_FALSE; }

void glDepthFunc(GLenum func)
{
    log("glDepthFunc", {double(func)});
    rec.state.depth_func = func;
}

void glEnableClientState(GLenum array)
{
    log("glEnableClientState", {double(array)});
    if (array == GL_VERTEX_ARRAY) rec.vertex_array = true;
    if (array == GL_COLOR_ARRAY) rec.color_array = true;
}

void glDisableClientState(GLenum array)
{
    log("glDisableClientState", {double(array)});
    if (array == GL_VERTEX_ARRAY) rec.vertex_array = false;
    if (array == GL_COLOR_ARRAY) rec.color_array = false;
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    log("glVertexPointer", {double(size), double(type), double(stride)});
    if (type != GL_FLOAT || stride != 0) ADD_FAILURE() << "the recorder reads packed float arrays only";
    rec.vertex_size = size;
    rec.vertex_pointer = static_cast<const float*>(pointer);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    log("glColorPointer", {double(size), double(type), double(stride)});
    if (type != GL_FLOAT || stride != 0) ADD_FAILURE() << "the recorder reads packed float arrays only";
    rec.color_size = size;
    rec.color_pointer = static_cast<const float*>(pointer);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    log("glDrawArrays", {double(mode), double(first), double(count)});
    if (rec.inside) ADD_FAILURE() << "glDrawArrays inside glBegin/glEnd";
    if (!rec.vertex_array || !rec.vertex_pointer) {
        ADD_FAILURE() << "glDrawArrays without a vertex array";
        return;
    }
    glrec::Batch b;
    b.mode = mode;
    b.at_begin = rec.state;
    b.first_call = rec.calls.size() - 1;
    b.arrays = true;
    for (GLsizei i = first; i < first + count; ++i) {
        const float* p = rec.vertex_pointer + static_cast<size_t>(i) * static_cast<size_t>(rec.vertex_size);
        glrec::Vertex v{p[0], p[1], rec.vertex_size > 2 ? p[2] : 0.0f, rec.state.color, rec.tex_s, rec.tex_t};
        if (rec.color_array && rec.color_pointer) {
            const float* c = rec.color_pointer + static_cast<size_t>(i) * static_cast<size_t>(rec.color_size);
            v.color = glrec::Rgba{c[0], c[1], c[2], rec.color_size > 3 ? c[3] : 1.0f};
        }
        b.vertices.push_back(v);
    }
    // The colour array leaves the current colour undefined: NaN catches a reader.
    if (rec.color_array) rec.state.color = glrec::Rgba{NAN, NAN, NAN, NAN};
    rec.batches.push_back(std::move(b));
}

void glBlendFunc(GLenum src, GLenum dst)
{
    log("glBlendFunc", {double(src), double(dst)});
    rec.state.blend_src = src;
    rec.state.blend_dst = dst;
}

void glPolygonStipple(const GLubyte* mask)
{
    log("glPolygonStipple", {});
    std::memcpy(rec.stipple.data(), mask, 128);
}

void glBindTexture(GLenum target, GLuint texture)
{
    log("glBindTexture", {double(target), double(texture)});
    rec.state.texture = texture;
}

void glGenTextures(GLsizei n, GLuint* textures)
{
    log("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; ++i) textures[i] = rec.next_texture++;
}

void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border, GLenum format,
                  GLenum type, const void*)
{
    log("glTexImage2D", {double(target), double(level), double(internal), double(w), double(h), double(border),
                         double(format), double(type)});
}

void glTexParameteri(GLenum target, GLenum pname, GLint param)
{
    log("glTexParameteri", {double(target), double(pname), double(param)});
}

void glPixelStorei(GLenum pname, GLint param) { log("glPixelStorei", {double(pname), double(param)}); }
void glMatrixMode(GLenum mode)
{
    log("glMatrixMode", {double(mode)});
    rec.state.matrix_mode = mode;
}
void glLoadIdentity() { log("glLoadIdentity", {}); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    log("glOrtho", {l, r, b, t, n, f});
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { log("glTranslatef", {x, y, z}); }
void glClear(GLbitfield mask) { log("glClear", {double(mask)}); }
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h)
{
    log("glScissor", {double(x), double(y), double(w), double(h)});
}
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { log("glClearColor", {r, g, b, a}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    log("glViewport", {double(x), double(y), double(w), double(h)});
}
void glLineWidth(GLfloat w) { log("glLineWidth", {w}); }
void glFinish() { log("glFinish", {}); }
void glFlush() { log("glFlush", {}); }
void glReadPixels(GLint, GLint, GLsizei w, GLsizei h, GLenum, GLenum, void* pixels)
{
    log("glReadPixels", {double(w), double(h)});
    std::memset(pixels, 0, static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
}
GLenum glGetError() { return GL_NO_ERROR; }
const GLubyte* glGetString(GLenum) { return reinterpret_cast<const GLubyte*>("gl recorder"); }
void glGetIntegerv(GLenum pname, GLint* out)
{
    switch (pname) {
        case GL_DEPTH_FUNC:
            *out = static_cast<GLint>(rec.state.depth_func);
            break;
        case GL_BLEND_SRC:
            *out = static_cast<GLint>(rec.state.blend_src);
            break;
        case GL_BLEND_DST:
            *out = static_cast<GLint>(rec.state.blend_dst);
            break;
        case GL_MATRIX_MODE:
            *out = static_cast<GLint>(rec.state.matrix_mode);
            break;
        case GL_TEXTURE_BINDING_2D:
            *out = static_cast<GLint>(rec.state.texture);
            break;
        default:
            *out = 0;  // no depth buffer among others
    }
}

// The maker mode's state saving, masks and held picture: logged only.
void glPushAttrib(GLbitfield mask) { log("glPushAttrib", {double(mask)}); }
void glPopAttrib() { log("glPopAttrib", {}); }
void glPushClientAttrib(GLbitfield mask) { log("glPushClientAttrib", {double(mask)}); }
void glPopClientAttrib() { log("glPopClientAttrib", {}); }
void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a)
{
    log("glColorMask", {double(r), double(g), double(b), double(a)});
}
void glDepthMask(GLboolean flag) { log("glDepthMask", {double(flag)}); }
void glTexEnvi(GLenum target, GLenum pname, GLint param)
{
    log("glTexEnvi", {double(target), double(pname), double(param)});
}
void glRasterPos2f(GLfloat x, GLfloat y) { log("glRasterPos2f", {x, y}); }
void glDrawPixels(GLsizei w, GLsizei h, GLenum, GLenum, const void*) { log("glDrawPixels", {double(w), double(h)}); }

}  // extern "C"
