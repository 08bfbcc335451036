#include "support/gl_recorder.h"

#include <gtest/gtest.h>

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
};
Recorder rec;

void log(const char* name, std::initializer_list<double> args)
{
    rec.calls.push_back(Call{name, std::vector<double>(args)});
}

void vertex(float x, float y)
{
    if (!rec.inside) ADD_FAILURE() << "glVertex outside glBegin/glEnd";
    if (rec.batches.empty()) return;
    rec.batches.back().vertices.push_back(Vertex{x, y, rec.state.color, rec.tex_s, rec.tex_t});
}

}  // namespace

void reset() { rec = Recorder{}; }
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
    glrec::vertex(x, y);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    log("glVertex3f", {x, y, z});
    glrec::vertex(x, y);
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
void glMatrixMode(GLenum mode) { log("glMatrixMode", {double(mode)}); }
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
void glGetIntegerv(GLenum, GLint* out) { *out = 0; }

}  // extern "C"
