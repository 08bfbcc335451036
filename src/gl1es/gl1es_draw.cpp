// Immediate mode and vertex arrays over one ES 2 shader.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "gl1es/gl1es_state.h"

namespace gl1es {
namespace {

// Positions arrive in clip space (transformed on the CPU, where glVertex is
// called). Texturing modulates the colour (GL_MODULATE), the stipple mask is
// looked up at the window position as OpenGL 1.1 does, and a smoothed line
// takes its coverage of each pixel as alpha: one pixel wide, falling off
// linearly over the pixel on each side and at each end.
const char* const kVertexShader = R"(
attribute vec4 a_pos;
attribute vec4 a_colour;
attribute vec3 a_tex;
attribute vec3 a_line;
varying vec4 v_colour;
varying vec3 v_tex;
varying vec3 v_line;
void main() {
    gl_Position = a_pos;
    v_colour = a_colour;
    v_tex = a_tex;
    v_line = a_line;
}
)";

const char* const kFragmentShader = R"(
#ifdef GL_ES
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
#endif
uniform sampler2D u_picture;
uniform sampler2D u_mask;
uniform bool u_texture;
uniform bool u_stipple;
uniform bool u_smooth;
varying vec4 v_colour;
varying vec3 v_tex;
varying vec3 v_line;
void main() {
    if (u_stipple) {
        vec2 cell = mod(floor(gl_FragCoord.xy), 32.0);
        if (texture2D(u_mask, (cell + 0.5) / 32.0).a < 0.5) discard;
    }
    vec4 colour = v_colour;
    if (u_texture) colour *= texture2DProj(u_picture, v_tex);
    if (u_smooth) {
        float across = clamp(1.0 - abs(v_line.x), 0.0, 1.0);
        float along = clamp(min(v_line.y, v_line.z - v_line.y) + 0.5, 0.0, 1.0);
        colour.a *= across * along;
    }
    gl_FragColor = colour;
}
)";

GLuint compile(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "OpenGL ES 2 shader failed to compile: %s\n", log);
        std::exit(1);
    }
    return shader;
}

void set_flag(GLint location, int& sent, bool on)
{
    if (sent == static_cast<int>(on)) return;
    glUniform1i(location, on ? 1 : 0);
    sent = on;
}

// A smoothed line as two triangles around it, widened by a pixel on each
// side and half a pixel at each end, in window coordinates.
void append_smooth_line(const Vertex& a, const Vertex& b)
{
    const float vw = static_cast<float>(state.viewport[2]), vh = static_cast<float>(state.viewport[3]);
    if (vw <= 0 || vh <= 0 || a.pos[3] == 0 || b.pos[3] == 0) return;
    const float ax = a.pos[0] / a.pos[3] * 0.5f * vw, ay = a.pos[1] / a.pos[3] * 0.5f * vh;
    const float bx = b.pos[0] / b.pos[3] * 0.5f * vw, by = b.pos[1] / b.pos[3] * 0.5f * vh;
    const float dx = bx - ax, dy = by - ay;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return;
    const float ux = dx / length, uy = dy / length;  // along
    const float nx = -uy, ny = ux;                   // across
    auto corner = [&](const Vertex& end, float along_px, float across_px, float along_at) {
        Vertex v = end;
        const float ox = ux * along_px + nx * across_px, oy = uy * along_px + ny * across_px;
        v.pos[0] += ox * 2.0f / vw * end.pos[3];
        v.pos[1] += oy * 2.0f / vh * end.pos[3];
        v.line[0] = across_px;
        v.line[1] = along_at;
        v.line[2] = length;
        return v;
    };
    const Vertex a0 = corner(a, -0.5f, -1.0f, -0.5f), a1 = corner(a, -0.5f, 1.0f, -0.5f);
    const Vertex b0 = corner(b, 0.5f, -1.0f, length + 0.5f), b1 = corner(b, 0.5f, 1.0f, length + 0.5f);
    state.out.insert(state.out.end(), {a0, b0, b1, a0, b1, a1});
}

}  // namespace

State state;

void ensure_ready()
{
    if (state.ready) return;
    state.ready = true;
    const GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, kVertexShader));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, kFragmentShader));
    glBindAttribLocation(program, 0, "a_pos");
    glBindAttribLocation(program, 1, "a_colour");
    glBindAttribLocation(program, 2, "a_tex");
    glBindAttribLocation(program, 3, "a_line");
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "OpenGL ES 2 shader failed to link: %s\n", log);
        std::exit(1);
    }
    glUseProgram(program);
    state.program = program;
    state.u_texture = glGetUniformLocation(program, "u_texture");
    state.u_stipple = glGetUniformLocation(program, "u_stipple");
    state.u_smooth = glGetUniformLocation(program, "u_smooth");
    glUniform1i(glGetUniformLocation(program, "u_picture"), 0);
    glUniform1i(glGetUniformLocation(program, "u_mask"), 1);

    glGenBuffers(1, &state.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, state.buffer);
    for (GLuint i = 0; i < 4; ++i) glEnableVertexAttribArray(i);
    const GLsizei stride = sizeof(Vertex);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, pos)));
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, colour)));
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, tex)));
    glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, line)));

    // The stipple mask on unit 1, all set as OpenGL's default pattern is.
    uint8_t ones[32 * 32];
    for (uint8_t& b : ones) b = 255;
    glActiveTexture(GL_TEXTURE1);
    glGenTextures(1, &state.mask_texture);
    glBindTexture(GL_TEXTURE_2D, state.mask_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 32, 32, 0, GL_ALPHA, GL_UNSIGNED_BYTE, ones);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGetIntegerv(GL_VIEWPORT, state.viewport);
}

void transform(float x, float y, float z, float out[4])
{
    const Matrix mvp = multiply(state.stacks[1][state.depth[1]], state.stacks[0][state.depth[0]]);
    for (int r = 0; r < 4; ++r) out[r] = mvp.m[r] * x + mvp.m[4 + r] * y + mvp.m[8 + r] * z + mvp.m[12 + r];
}

void draw_primitive(GLenum mode)
{
    ensure_ready();
    const std::vector<Vertex>& p = state.prim;
    std::vector<Vertex>& out = state.out;
    out.clear();
    const size_t n = p.size();
    const bool lines = mode == GL_LINES;
    GLenum es_mode = GL_TRIANGLES;
    if (mode == kQuads) {
        // The split Mesa makes of a quad, so colours interpolate alike.
        for (size_t i = 0; i + 3 < n; i += 4)
            out.insert(out.end(), {p[i], p[i + 1], p[i + 3], p[i + 1], p[i + 2], p[i + 3]});
    } else if (mode == GL_TRIANGLES) {
        out.assign(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(n - n % 3));
    } else if (mode == GL_TRIANGLE_FAN) {
        for (size_t i = 1; i + 1 < n; ++i) out.insert(out.end(), {p[0], p[i], p[i + 1]});
    } else if (mode == GL_TRIANGLE_STRIP) {
        for (size_t i = 0; i + 2 < n; ++i) out.insert(out.end(), {p[i], p[i + 1], p[i + 2]});
    } else if (lines && state.line_smooth) {
        for (size_t i = 0; i + 1 < n; i += 2) append_smooth_line(p[i], p[i + 1]);
    } else if (lines) {
        es_mode = GL_LINES;
        out.assign(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(n - n % 2));
    }
    state.prim.clear();
    if (out.empty()) return;
    set_flag(state.u_texture, state.sent_texture, state.texture_2d && state.texture != 0);
    set_flag(state.u_stipple, state.sent_stipple, state.stipple && !lines);
    set_flag(state.u_smooth, state.sent_smooth, lines && state.line_smooth);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(out.size() * sizeof(Vertex)), out.data(), GL_STREAM_DRAW);
    glDrawArrays(es_mode, 0, static_cast<GLsizei>(out.size()));
}

}  // namespace gl1es

using gl1es::state;

namespace {

void add_vertex(float x, float y, float z, const float colour[4])
{
    gl1es::Vertex v;
    gl1es::transform(x, y, z, v.pos);
    for (int i = 0; i < 4; ++i) v.colour[i] = colour[i];
    v.tex[0] = state.tex[0];
    v.tex[1] = state.tex[1];
    v.tex[2] = state.tex[3];
    v.line[0] = v.line[1] = v.line[2] = 0;
    state.prim.push_back(v);
}

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

}  // namespace

extern "C" {

void gl1es_begin(GLenum mode)
{
    state.inside = true;
    state.mode = mode;
    state.prim.clear();
}

void gl1es_end()
{
    if (!state.inside) return;
    state.inside = false;
    gl1es::draw_primitive(state.mode);
}

void gl1es_vertex2f(GLfloat x, GLfloat y)
{
    if (state.inside) add_vertex(x, y, 0, state.colour);
}

// OpenGL 1.1 clamps colours to [0, 1] per vertex, before interpolation.
void gl1es_color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    state.colour[0] = clamp01(r);
    state.colour[1] = clamp01(g);
    state.colour[2] = clamp01(b);
    state.colour[3] = clamp01(a);
}

void gl1es_color3f(GLfloat r, GLfloat g, GLfloat b) { gl1es_color4f(r, g, b, 1.0f); }

void gl1es_tex_coord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q)
{
    state.tex[0] = s;
    state.tex[1] = t;
    state.tex[2] = r;
    state.tex[3] = q;
}

void gl1es_tex_coord2f(GLfloat s, GLfloat t) { gl1es_tex_coord4f(s, t, 0, 1); }

void gl1es_enable_client_state(GLenum array)
{
    if (array == gl1es::kVertexArray) state.vertex_array.enabled = true;
    if (array == gl1es::kColorArray) state.colour_array.enabled = true;
}

void gl1es_disable_client_state(GLenum array)
{
    if (array == gl1es::kVertexArray) state.vertex_array.enabled = false;
    if (array == gl1es::kColorArray) state.colour_array.enabled = false;
}

void gl1es_vertex_pointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    if (type != GL_FLOAT || size < 2 || size > 4) return;
    state.vertex_array = {state.vertex_array.enabled, size, stride, static_cast<const float*>(pointer)};
}

void gl1es_color_pointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    if (type != GL_FLOAT || size < 3 || size > 4) return;
    state.colour_array = {state.colour_array.enabled, size, stride, static_cast<const float*>(pointer)};
}

void gl1es_draw_arrays(GLenum mode, GLint first, GLsizei count)
{
    const gl1es::ClientArray& va = state.vertex_array;
    const gl1es::ClientArray& ca = state.colour_array;
    if (!va.enabled || !va.data || first < 0 || count <= 0 || state.inside) return;
    state.prim.clear();
    const size_t vstep = va.stride ? va.stride / sizeof(float) : static_cast<size_t>(va.size);
    const size_t cstep = ca.stride ? ca.stride / sizeof(float) : static_cast<size_t>(ca.size);
    for (GLint i = first; i < first + count; ++i) {
        const float* v = va.data + vstep * static_cast<size_t>(i);
        float colour[4] = {state.colour[0], state.colour[1], state.colour[2], state.colour[3]};
        if (ca.enabled && ca.data) {
            const float* c = ca.data + cstep * static_cast<size_t>(i);
            for (int k = 0; k < 4; ++k) colour[k] = k < ca.size ? clamp01(c[k]) : 1.0f;
        }
        add_vertex(v[0], v[1], va.size > 2 ? v[2] : 0.0f, colour);
    }
    gl1es::draw_primitive(mode);
}

}  // extern "C"
