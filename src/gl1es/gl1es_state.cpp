// Capabilities, queries, matrices, textures and the framebuffer calls.
#include <cstring>
#include <vector>

#include "gl1es/gl1es_state.h"

namespace gl1es {

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = sum;
        }
    return r;
}

}  // namespace gl1es

using gl1es::state;

namespace {

bool* own_cap(GLenum cap)
{
    switch (cap) {
        case gl1es::kTexture2d:
            return &state.texture_2d;
        case gl1es::kPolygonStipple:
            return &state.stipple;
        case gl1es::kLineSmooth:
            return &state.line_smooth;
        case gl1es::kPolygonSmooth:
            return &state.polygon_smooth;
        case GL_BLEND:
            return &state.blend;
        case GL_DEPTH_TEST:
            return &state.depth_test;
        case GL_SCISSOR_TEST:
            return &state.scissor_test;
        default:
            return nullptr;
    }
}

void set_cap(GLenum cap, bool on)
{
    bool* flag = own_cap(cap);
    if (!flag) return;
    const bool es_cap = cap == GL_BLEND || cap == GL_DEPTH_TEST || cap == GL_SCISSOR_TEST;
    if (es_cap && *flag != on) {
        gl1es::ensure_ready();
        if (on)
            glEnable(cap);
        else
            glDisable(cap);
    }
    *flag = on;
}

gl1es::Matrix& current_matrix()
{
    const int s = state.matrix_mode == gl1es::kProjection ? 1 : 0;
    return state.stacks[s][state.depth[s]];
}

bool power_of_two(int n) { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace

extern "C" {

void gl1es_enable(GLenum cap) { set_cap(cap, true); }
void gl1es_disable(GLenum cap) { set_cap(cap, false); }

GLboolean gl1es_is_enabled(GLenum cap)
{
    if (cap == gl1es::kVertexArray) return state.vertex_array.enabled;
    if (cap == gl1es::kColorArray) return state.colour_array.enabled;
    const bool* flag = own_cap(cap);
    return flag && *flag ? GL_TRUE : GL_FALSE;
}

void gl1es_blend_func(GLenum src, GLenum dst)
{
    if (src == state.blend_src && dst == state.blend_dst) return;
    gl1es::ensure_ready();
    glBlendFunc(src, dst);
    state.blend_src = src;
    state.blend_dst = dst;
}

void gl1es_depth_func(GLenum func)
{
    if (func == state.depth_func) return;
    gl1es::ensure_ready();
    glDepthFunc(func);
    state.depth_func = func;
}

void gl1es_get_integerv(GLenum name, GLint* values)
{
    switch (name) {
        case gl1es::kBlendSrc:
            *values = static_cast<GLint>(state.blend_src);
            return;
        case gl1es::kBlendDst:
            *values = static_cast<GLint>(state.blend_dst);
            return;
        case GL_DEPTH_FUNC:
            *values = static_cast<GLint>(state.depth_func);
            return;
        case gl1es::kMatrixMode:
            *values = static_cast<GLint>(state.matrix_mode);
            return;
        case GL_TEXTURE_BINDING_2D:
            *values = static_cast<GLint>(state.texture);
            return;
        case GL_VIEWPORT:
            gl1es::ensure_ready();
            std::memcpy(values, state.viewport, sizeof state.viewport);
            return;
        case GL_DEPTH_BITS:
            gl1es::ensure_ready();
            glGetIntegerv(GL_DEPTH_BITS, values);
            return;
        default:
            return;
    }
}

void gl1es_get_floatv(GLenum name, GLfloat* values)
{
    if (name == gl1es::kCurrentColor) std::memcpy(values, state.colour, sizeof state.colour);
    if (name == gl1es::kCurrentTexCoords) std::memcpy(values, state.tex, sizeof state.tex);
}

void gl1es_matrix_mode(GLenum mode)
{
    if (mode == gl1es::kModelview || mode == gl1es::kProjection) state.matrix_mode = mode;
}

void gl1es_load_identity() { current_matrix() = gl1es::Matrix{}; }

void gl1es_ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_z, GLdouble far_z)
{
    // Single precision, as Mesa builds it.
    const float l = static_cast<float>(left), r = static_cast<float>(right);
    const float b = static_cast<float>(bottom), t = static_cast<float>(top);
    const float n = static_cast<float>(near_z), f = static_cast<float>(far_z);
    if (l == r || b == t || n == f) return;
    gl1es::Matrix o;
    o.m[0] = 2.0f / (r - l);
    o.m[5] = 2.0f / (t - b);
    o.m[10] = -2.0f / (f - n);
    o.m[12] = -(r + l) / (r - l);
    o.m[13] = -(t + b) / (t - b);
    o.m[14] = -(f + n) / (f - n);
    current_matrix() = gl1es::multiply(current_matrix(), o);
}

void gl1es_translatef(GLfloat x, GLfloat y, GLfloat z)
{
    gl1es::Matrix t;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    current_matrix() = gl1es::multiply(current_matrix(), t);
}

void gl1es_push_matrix()
{
    const int s = state.matrix_mode == gl1es::kProjection ? 1 : 0;
    if (state.depth[s] + 1 >= gl1es::kStackDepth) return;
    state.stacks[s][state.depth[s] + 1] = state.stacks[s][state.depth[s]];
    ++state.depth[s];
}

void gl1es_pop_matrix()
{
    const int s = state.matrix_mode == gl1es::kProjection ? 1 : 0;
    if (state.depth[s] > 0) --state.depth[s];
}

void gl1es_gen_textures(GLsizei n, GLuint* names)
{
    gl1es::ensure_ready();
    glGenTextures(n, names);
}

void gl1es_bind_texture(GLenum target, GLuint name)
{
    if (target != GL_TEXTURE_2D) return;
    gl1es::ensure_ready();
    glBindTexture(GL_TEXTURE_2D, name);
    state.texture = name;
}

void gl1es_tex_image2d(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const GLvoid* pixels)
{
    // ES 2 takes the format for the internal format; 3 is OpenGL 1.1's RGB.
    const bool rgb = internal_format == 3 || internal_format == GL_RGB;
    if (target != GL_TEXTURE_2D || !rgb || format != GL_RGB || type != GL_UNSIGNED_BYTE || border != 0) return;
    gl1es::ensure_ready();
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    if (!power_of_two(width) || !power_of_two(height)) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

void gl1es_tex_parameteri(GLenum target, GLenum name, GLint value)
{
    gl1es::ensure_ready();
    glTexParameteri(target, name, value);
}

void gl1es_polygon_stipple(const GLubyte* mask)
{
    if (state.stipple_known && std::memcmp(mask, state.stipple_bits, sizeof state.stipple_bits) == 0) return;
    std::memcpy(state.stipple_bits, mask, sizeof state.stipple_bits);
    state.stipple_known = true;
    // Row y (bottom first), bit 7 of each byte leftmost: one byte per pixel.
    uint8_t texels[32 * 32];
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) texels[y * 32 + x] = (mask[y * 4 + x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    gl1es::ensure_ready();
    glActiveTexture(GL_TEXTURE1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 32, 32, GL_ALPHA, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glActiveTexture(GL_TEXTURE0);
}

void gl1es_clear(GLbitfield mask)
{
    gl1es::ensure_ready();
    glClear(mask);
}

void gl1es_clear_color(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    gl1es::ensure_ready();
    glClearColor(r, g, b, a);
}

void gl1es_viewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    gl1es::ensure_ready();
    glViewport(x, y, width, height);
    state.viewport[0] = x;
    state.viewport[1] = y;
    state.viewport[2] = width;
    state.viewport[3] = height;
}

void gl1es_scissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    gl1es::ensure_ready();
    glScissor(x, y, width, height);
}

void gl1es_pixel_storei(GLenum name, GLint value)
{
    if (name == GL_PACK_ALIGNMENT && (value == 1 || value == 2 || value == 4 || value == 8))
        state.pack_alignment = value;
    // Unpacking goes straight through: ES 2 reads texture rows as OpenGL 1.1 does.
    if (name == GL_UNPACK_ALIGNMENT) {
        gl1es::ensure_ready();
        glPixelStorei(name, value);
    }
}

// ES 2 promises only RGBA bytes: read those, then lay them out as asked.
void gl1es_read_pixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels)
{
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0) return;
    gl1es::ensure_ready();
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t channels = format == GL_RGB ? 3 : 4;
    const size_t a = static_cast<size_t>(state.pack_alignment);
    const size_t row = (static_cast<size_t>(width) * channels + a - 1) / a * a;
    auto* out = static_cast<uint8_t*>(pixels);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            std::memcpy(out + row * r + channels * c, &rgba[(static_cast<size_t>(r) * width + c) * 4], channels);
}

void gl1es_finish()
{
    gl1es::ensure_ready();
    glFinish();
}

}  // extern "C"
