#include "effects/warm_up.h"

#include <tuple>

#include "core/base/textures.h"
#include "draw/view.h"

namespace {

constexpr GLenum kCapNames[] = {GL_BLEND,          GL_POLYGON_STIPPLE, GL_LINE_SMOOTH,
                                GL_POLYGON_SMOOTH, GL_TEXTURE_2D,      GL_DEPTH_TEST};
constexpr int kCapCount = 6;

auto key(const DrawCombo& c)
{
    const bool blend = c.caps & kComboBlend;
    return std::make_tuple(c.mode, c.caps, blend ? c.blend_src : 0u, blend ? c.blend_dst : 0u, c.colour, c.texcoords,
                           c.arrays);
}

struct SavedState {
    GLboolean caps[kCapCount];
    GLint blend_src, blend_dst, depth_func, texture, matrix_mode;
    GLfloat colour[4], texcoord[4];
};

SavedState save()
{
    SavedState s{};
    for (int i = 0; i < kCapCount; ++i) s.caps[i] = glIsEnabled(kCapNames[i]);
    glGetIntegerv(GL_BLEND_SRC, &s.blend_src);
    glGetIntegerv(GL_BLEND_DST, &s.blend_dst);
    glGetIntegerv(GL_DEPTH_FUNC, &s.depth_func);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrix_mode);
    glGetFloatv(GL_CURRENT_COLOR, s.colour);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, s.texcoord);
    return s;
}

void restore(const SavedState& s)
{
    for (int i = 0; i < kCapCount; ++i) {
        if (s.caps[i])
            glEnable(kCapNames[i]);
        else
            glDisable(kCapNames[i]);
    }
    glBlendFunc(static_cast<GLenum>(s.blend_src), static_cast<GLenum>(s.blend_dst));
    glDepthFunc(static_cast<GLenum>(s.depth_func));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(s.texture));
    glColor4f(s.colour[0], s.colour[1], s.colour[2], s.colour[3]);
    glTexCoord4f(s.texcoord[0], s.texcoord[1], s.texcoord[2], s.texcoord[3]);
}

// A few pixels near the centre of the view: corners for quads, then the
// first three for triangles and the first two for lines.
constexpr float kCorners[4][2] = {{0.5f, 0.5f}, {0.51f, 0.5f}, {0.51f, 0.51f}, {0.5f, 0.51f}};

int vertex_count(GLenum mode) { return mode == GL_QUADS ? 4 : mode == GL_TRIANGLES ? 3 : 2; }

void draw_immediate(const DrawCombo& c)
{
    if (c.colour == 0) glColor3f(1.0f, 0.5f, 0.25f);
    glBegin(c.mode);
    for (int i = 0; i < vertex_count(c.mode); ++i) {
        if (c.colour == 3) glColor3f(1.0f, 0.5f, 0.25f);
        if (c.colour == 4) glColor4f(1.0f, 0.5f, 0.25f, 0.5f);
        if (c.texcoords) glTexCoord2f(kCorners[i][0], kCorners[i][1]);
        glVertex2f(kCorners[i][0], kCorners[i][1]);
    }
    glEnd();
}

// As the depth painter draws: float x, y, z and r, g, b arrays.
void draw_arrays(const DrawCombo& c)
{
    float positions[12], colours[12];
    for (int i = 0; i < 4; ++i) {
        positions[3 * i] = kCorners[i][0];
        positions[3 * i + 1] = kCorners[i][1];
        positions[3 * i + 2] = 0.001f;
        colours[3 * i] = 1.0f;
        colours[3 * i + 1] = 0.5f;
        colours[3 * i + 2] = 0.25f;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions);
    glColorPointer(3, GL_FLOAT, 0, colours);
    glDrawArrays(c.mode, 0, vertex_count(c.mode));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void draw_combo(const DrawCombo& c)
{
    for (int i = 0; i < kCapCount; ++i) {
        if (c.caps & (1u << i))
            glEnable(kCapNames[i]);
        else
            glDisable(kCapNames[i]);
    }
    if (c.caps & kComboBlend) glBlendFunc(c.blend_src, c.blend_dst);
    glDepthFunc(GL_LEQUAL);
    if (!(c.caps & kComboTexture)) {
        c.arrays ? draw_arrays(c) : draw_immediate(c);
        return;
    }
    // The pictures differ in size: each may need its own texture code.
    for (int t = 0; t < kTextureCount; ++t) {
        glBindTexture(GL_TEXTURE_2D, TextureTable[t]);
        draw_immediate(c);
    }
}

}  // namespace

bool DrawCombo::operator<(const DrawCombo& o) const { return key(*this) < key(o); }
bool DrawCombo::operator==(const DrawCombo& o) const { return key(*this) == key(o); }

void warm_up_drawing()
{
    const SavedState saved = save();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    set_projection();
    for (size_t i = 0; i < kDemoComboCount; ++i) draw_combo(kDemoCombos[i]);
    glFinish();  // the compiles happen here, not in the first frame
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(saved.matrix_mode));
    restore(saved);
    clear_frame();
}

// Filled from the layers' code; tests/effects/warm_up_test.cpp draws every
// order with the recording OpenGL and fails on a combination missing here.
const DrawCombo kDemoCombos[] = {
    {GL_LINES, 0, 0, 0, 0, false, false},
    {GL_LINES, 0, 0, 0, 3, false, false},
    {GL_LINES, kComboBlend, GL_ONE, GL_ONE, 0, false, false},
    {GL_LINES, kComboBlend, GL_ONE, GL_ONE, 3, false, false},
    {GL_LINES, kComboBlend | kComboLineSmooth, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 3, false, false},
    {GL_LINES, kComboBlend | kComboStipple | kComboLineSmooth, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 3, false, false},
    {GL_LINES, kComboPolygonSmooth, 0, 0, 0, false, false},
    {GL_LINES, kComboPolygonSmooth, 0, 0, 3, false, false},
    {GL_LINES, kComboBlend | kComboPolygonSmooth, GL_ONE, GL_ONE, 0, false, false},
    {GL_LINES, kComboBlend | kComboPolygonSmooth, GL_ONE, GL_ONE, 3, false, false},
    {GL_LINES, kComboBlend | kComboPolygonSmooth, GL_SRC_ALPHA_SATURATE, GL_ONE, 0, false, false},
    {GL_LINES, kComboBlend | kComboLineSmooth | kComboPolygonSmooth, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, 3, false,
     false},
    {GL_LINES, kComboBlend | kComboStipple | kComboLineSmooth | kComboPolygonSmooth, GL_SRC_ALPHA,
     GL_ONE_MINUS_SRC_ALPHA, 3, false, false},
    {GL_TRIANGLES, 0, 0, 0, 4, false, false},
    {GL_TRIANGLES, kComboStipple, 0, 0, 3, false, false},
    {GL_TRIANGLES, kComboStipple, 0, 0, 4, false, false},
    {GL_TRIANGLES, kComboBlend | kComboStipple, GL_ONE, GL_ONE, 3, false, false},
    {GL_TRIANGLES, kComboPolygonSmooth, 0, 0, 4, false, false},
    {GL_TRIANGLES, kComboStipple | kComboPolygonSmooth, 0, 0, 3, false, false},
    {GL_TRIANGLES, kComboStipple | kComboPolygonSmooth, 0, 0, 4, false, false},
    {GL_QUADS, 0, 0, 0, 3, false, false},
    {GL_QUADS, kComboBlend, GL_ONE, GL_ONE, 3, false, false},
    {GL_QUADS, kComboBlend, GL_ONE, GL_ONE, 4, false, false},
    {GL_QUADS, kComboPolygonSmooth, 0, 0, 3, false, false},
    {GL_QUADS, kComboBlend | kComboPolygonSmooth, GL_ONE, GL_ONE, 3, false, false},
    {GL_QUADS, kComboBlend | kComboPolygonSmooth, GL_ONE, GL_ONE, 4, false, false},
    {GL_QUADS, kComboTexture, 0, 0, 0, true, false},
    {GL_QUADS, kComboBlend | kComboTexture, GL_ONE, GL_ONE, 0, true, false},
    {GL_QUADS, kComboBlend | kComboTexture, GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR, 0, true, false},
    {GL_QUADS, kComboBlend | kComboStipple | kComboTexture, GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR, 0, true, false},
    {GL_QUADS, kComboPolygonSmooth | kComboTexture, 0, 0, 0, true, false},
    {GL_QUADS, kComboBlend | kComboPolygonSmooth | kComboTexture, GL_ONE, GL_ONE, 0, true, false},
    {GL_QUADS, kComboBlend | kComboPolygonSmooth | kComboTexture, GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR, 0, true, false},
    {GL_QUADS, kComboBlend | kComboStipple | kComboPolygonSmooth | kComboTexture, GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR,
     0, true, false},
    // The depth painter's in-order route, for frames whose quads are all
    // hatched or all plain.
    {GL_LINES, 0, 0, 0, 0, false, true},
    {GL_LINES, kComboStipple, 0, 0, 0, false, true},
    {GL_LINES, kComboPolygonSmooth, 0, 0, 0, false, true},
    {GL_LINES, kComboStipple | kComboPolygonSmooth, 0, 0, 0, false, true},
    {GL_QUADS, 0, 0, 0, 0, false, true},
    {GL_QUADS, kComboStipple, 0, 0, 0, false, true},
    {GL_QUADS, kComboPolygonSmooth, 0, 0, 0, false, true},
    {GL_QUADS, kComboStipple | kComboPolygonSmooth, 0, 0, 0, false, true},
    // Its depth route.
    {GL_LINES, kComboDepth, 0, 0, 0, false, true},
    {GL_LINES, kComboStipple | kComboDepth, 0, 0, 0, false, true},
    {GL_LINES, kComboPolygonSmooth | kComboDepth, 0, 0, 0, false, true},
    {GL_LINES, kComboStipple | kComboPolygonSmooth | kComboDepth, 0, 0, 0, false, true},
    {GL_QUADS, kComboDepth, 0, 0, 0, false, true},
    {GL_QUADS, kComboStipple | kComboDepth, 0, 0, 0, false, true},
    {GL_QUADS, kComboPolygonSmooth | kComboDepth, 0, 0, 0, false, true},
    {GL_QUADS, kComboStipple | kComboPolygonSmooth | kComboDepth, 0, 0, 0, false, true},
};
const size_t kDemoComboCount = sizeof kDemoCombos / sizeof kDemoCombos[0];
