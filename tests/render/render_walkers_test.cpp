// The walkers' one-batch drawing on real Mesa: for any entry blend and depth
// state, every pixel's colour and destination alpha, and the state left
// behind, are those of drawing the glyphs one by one.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/base/stipple.h"
#include "draw/gl.h"
#include "effects/branch_walkers.h"
#include "render/render_harness.h"

namespace {

// A grey backdrop nearer than the walkers over the left half (an entry depth
// test rejects part of the first body there), then the entry state, hatched.
void start_frame(bool blend, bool depth_test)
{
    render_start_frame();
    glDisable(GL_POLYGON_STIPPLE);
    glEnable(GL_DEPTH_TEST);
    glColor4f(0.3f, 0.3f, 0.3f, 0.5f);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.5f);
    glVertex3f(0.5f, 0.0f, 0.5f);
    glVertex3f(0.5f, 1.0f, 0.5f);
    glVertex3f(0.0f, 1.0f, 0.5f);
    glEnd();
    if (!depth_test) glDisable(GL_DEPTH_TEST);
    if (blend) glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    static uint8_t stipple[128];
    build_diagonal_stipple(stipple);
    glPolygonStipple(stipple);
    glEnable(GL_POLYGON_STIPPLE);
}

TEST(WalkersRender, OneBatchGivesThePixelsAndStateOfOneGlyphAtATime)
{
    if (!render_open(640, 480)) GTEST_SKIP() << "no offscreen OpenGL display";
    // Crowded, crossing walkers in eight headings, the first over the backdrop's edge.
    std::vector<Walker> walkers;
    for (int i = 0; i < 60; ++i)
        walkers.emplace_back(0.45f + 0.005f * static_cast<float>(i % 30), 0.3f + 0.012f * static_cast<float>(i),
                             0.7853982f * static_cast<float>(i % 8));
    for (const bool blend : {false, true}) {
        for (const bool depth_test : {false, true}) {
            start_frame(blend, depth_test);
            draw_walker_glyphs(walkers);
            const std::vector<uint8_t> batched = render_read_rgba();
            GLfloat colour[4] = {};
            glGetFloatv(GL_CURRENT_COLOR, colour);
            EXPECT_FALSE(glIsEnabled(GL_BLEND));
            EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
            EXPECT_EQ(colour[0], 1.0f);
            EXPECT_EQ(colour[1], 0.0f);

            start_frame(blend, depth_test);
            for (const Walker& w : walkers) draw_walker_glyph(w);
            const std::vector<uint8_t> reference = render_read_rgba();
            EXPECT_EQ(count_differing_rgba(batched, reference), 0) << "blend " << blend << ", depth " << depth_test;
            int white = 0;
            for (size_t i = 0; i < reference.size(); i += 4) white += reference[i] == 255 && reference[i + 1] == 255;
            EXPECT_GT(white, 1000) << "the walkers were drawn";
        }
    }
    glDisable(GL_POLYGON_STIPPLE);
    glDisable(GL_DEPTH_TEST);
}

}  // namespace
