// Petal rings, pulsing squares and flicker lines on the recorded OpenGL stream.
#include <gtest/gtest.h>

#include <cmath>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "effects/flicker_lines.h"
#include "effects/petal_rings.h"
#include "effects/pulsing_squares.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

class Opening : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
    }
};

float level_of(std::atomic<float>& a) { return ld(a); }

// ---- petal rings ----

TEST_F(Opening, PetalStippleTakesExactly128DrawsAndUsesTheLowTwoBytesOfEach)
{
    // Known values for the 32 rows, then 96 that only advance the generator.
    for (int row = 0; row < 128; ++row) demo_rand_queue_for_test({(row * 9973 + 0x7f80) & 0x7fff});
    const uint64_t before = demo_rand_count();
    draw_petal_rings(0.5);
    EXPECT_EQ(demo_rand_count() - before, 128u);
    ASSERT_EQ(glrec::count("glPolygonStipple"), 1u);
    const auto& bytes = glrec::stipple();
    for (int row = 0; row < 32; ++row) {
        const int v = (row * 9973 + 0x7f80) & 0x7fff;
        EXPECT_EQ(bytes[4 * row + 0], v & 0xff) << row;
        EXPECT_EQ(bytes[4 * row + 1], v >> 8) << row;
        EXPECT_EQ(bytes[4 * row + 2], 0) << row;
        EXPECT_EQ(bytes[4 * row + 3], 0) << row;
    }

    // From the real sequence: bit 15 (column 8) and columns 16..31 are never set,
    // and a second call draws fresh noise.
    const std::array<uint8_t, 128> first = glrec::stipple();
    draw_petal_rings(0.6);
    EXPECT_EQ(demo_rand_count() - before, 256u);
    const auto& second = glrec::stipple();
    EXPECT_NE(first, second);
    for (int row = 0; row < 32; ++row) {
        EXPECT_EQ(second[4 * row + 1] & 0x80, 0);
        EXPECT_EQ(second[4 * row + 2] | second[4 * row + 3], 0);
    }
}

TEST_F(Opening, PetalDiscsAreStippledAdditiveAndLeaveStateOff)
{
    draw_petal_rings(0.0);
    const auto discs = glrec::batches_of(GL_TRIANGLES);
    ASSERT_EQ(discs.size(), 3u);
    for (const auto& d : discs) {
        EXPECT_EQ(d.vertices.size(), 60u);
        EXPECT_TRUE(d.at_begin.is_on(GL_POLYGON_STIPPLE));
        EXPECT_TRUE(d.at_begin.is_on(GL_BLEND));
        EXPECT_EQ(d.at_begin.blend_src, GLenum(GL_ONE));
        EXPECT_EQ(d.at_begin.blend_dst, GLenum(GL_ONE));
    }
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    // Stipple pattern handed over before stippling goes on.
    const auto& c = glrec::calls();
    size_t stipple_at = 0, enable_at = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i].name == "glPolygonStipple") stipple_at = i;
        if (c[i].name == "glEnable" && c[i].args[0] == GL_POLYGON_STIPPLE) enable_at = i;
    }
    EXPECT_LT(stipple_at, enable_at);
}

TEST_F(Opening, PetalDiscsAtLevelZeroAreDimBrownAndSlideOnTheDiagonal)
{
    const double t = 0.8;
    st(sync_state.petal_phase, 341.0f);
    draw_petal_rings(t);
    const auto discs = glrec::batches_of(GL_TRIANGLES);
    ASSERT_EQ(discs.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const glrec::Vertex& centre = discs[i].vertices[0];
        EXPECT_NEAR(centre.color.r, std::cos(i + t) * 0.1 + 0.3, 1e-6);
        EXPECT_NEAR(centre.color.g, 0.2, 1e-6);
        EXPECT_NEAR(centre.color.b, 0.1, 1e-6);
        EXPECT_EQ(discs[i].vertices[1].color.r, 0.0f);  // black rim
        const double along = std::cos(i + t + 341.0);
        EXPECT_NEAR(centre.x, along * 0.5 + 0.5, 1e-6);
        EXPECT_NEAR(centre.y - 0.5, 0.2 * (centre.x - 0.5), 1e-6);
        // Radius cos(2.1329 t + i) + 0.4, first rim point at angle 1.321 t * 0.3.
        const double radius = std::cos(2.1329 * t + i) + 0.4;
        const double a0 = t * 1.321 * 0.3;
        EXPECT_NEAR(discs[i].vertices[1].x, centre.x + radius * std::cos(a0), 1e-5);
        EXPECT_NEAR(discs[i].vertices[1].y, centre.y + radius * std::sin(a0), 1e-5);
    }
}

TEST_F(Opening, PetalLevelBrightensItsOwnDiscAndDecaysFromTimeZero)
{
    st(sync_state.petal_level[1], 1.0f);
    draw_petal_rings(0.1505);
    const auto discs = glrec::batches_of(GL_TRIANGLES);
    EXPECT_NEAR(discs[1].vertices[0].color.g, 1.2, 1e-6);  // level 1 + 0.2, undecayed
    EXPECT_NEAR(discs[0].vertices[0].color.g, 0.2, 1e-6);
    // First call decays by the whole t (last time starts at 0.0): half in 0.1505 s.
    EXPECT_NEAR(level_of(sync_state.petal_level[1]), 0.5f, 1e-3f);
    EXPECT_EQ(petal_last_time, 0.1505);
    draw_petal_rings(0.1505);  // no time passed: unchanged
    EXPECT_NEAR(level_of(sync_state.petal_level[1]), 0.5f, 1e-3f);
    draw_petal_rings(1.1505);
    EXPECT_NEAR(level_of(sync_state.petal_level[1]), 0.005f, 1e-5f);
}

// ---- pulsing squares ----

TEST_F(Opening, SquaresFlashRedWithPulseThenDecayFromMinusOne)
{
    st(sync_state.pulse, 1.0f);
    draw_pulsing_squares(0.0);
    ASSERT_EQ(glrec::batch_count(), 1u);
    const glrec::Batch& b = glrec::nth(GL_LINES, 0);
    ASSERT_EQ(b.vertices.size(), 160u);
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        const glrec::Vertex& corner = b.vertices[8 * i];
        const double k = std::cos(double(i));
        EXPECT_NEAR(corner.color.r, k * k, 1e-6);
        EXPECT_EQ(corner.color.g, 0.0f);
        const double s = std::cos(double(i)) * 0.05 + 0.25;
        EXPECT_NEAR(corner.x, 0.5 - s, 1e-6);  // top-left corner first
        EXPECT_NEAR(corner.y, 0.5 - s, 1e-6);
    }
    // Square 0 at t = 0: full red, half size 0.3.
    EXPECT_FLOAT_EQ(b.vertices[0].color.r, 1.0f);
    EXPECT_FLOAT_EQ(b.vertices[0].x, 0.2f);
    // First call decays by t + 1 = 1 s: to 0.01.
    EXPECT_NEAR(level_of(sync_state.pulse), 0.01f, 1e-6f);
    EXPECT_EQ(squares_last_time, 0.0);
    // Colour left at the last square's red.
    EXPECT_NEAR(glrec::color().r, std::cos(19.0) * std::cos(19.0), 1e-6);
}

// ---- flicker lines ----

TEST_F(Opening, FlickerAtExactlyHalfTakesNoDrawsAndDrawsNothingButDecays)
{
    st(sync_state.flicker_level, 0.5f);
    flicker_mask = 0x7ff;
    draw_flicker_lines(0.0);
    EXPECT_EQ(demo_rand_count(), 0u);
    EXPECT_EQ(glrec::batch_count(), 0u);
    EXPECT_EQ(glrec::count("glColor3f"), 0u);
    EXPECT_NEAR(level_of(sync_state.flicker_level), 0.005f, 1e-6f);  // by t + 1
    EXPECT_EQ(flicker_last_time, 0.0);
}

TEST_F(Opening, FlickerTakesTwoThreeOrFourDrawsInTheFixedOrder)
{
    struct Case {
        std::initializer_list<int> draws;
        uint64_t count;
        float size;
        int mask;
    };
    // 5, 105 and 32705 are 5 mod 100: a hit.
    const Case cases[] = {
        {{0, 6}, 2, 0.02f, 0},
        {{5, 32767, 99}, 3, 0.04f, 0},
        {{4, 105, 0x1234}, 3, 0.02f, 0x1234},
        {{32705, 0, 5, 0x7ff}, 4, 0.01f, 0x7ff},
    };
    for (const Case& c : cases) {
        SetUp();
        st(sync_state.flicker_level, 1.0f);
        flicker_last_time = 0.0;
        demo_rand_queue_for_test(c.draws);
        draw_flicker_lines(0.0);
        EXPECT_EQ(demo_rand_count(), c.count);
        EXPECT_FLOAT_EQ(flicker_cross_size, c.size);
        EXPECT_EQ(flicker_mask, c.mask);
        // The batch is opened in white even with no crosses (mask 0 before the call).
        ASSERT_EQ(glrec::batch_count(), 1u);
        EXPECT_EQ(glrec::nth(GL_LINES, 0).vertices.size(), 0u);
        EXPECT_EQ(glrec::color().r, 1.0f);
    }
}

TEST_F(Opening, FlickerResizesBeforeDrawingAndRemasksAfter)
{
    st(sync_state.flicker_level, 1.0f);
    flicker_mask = 0x805;  // bits 0 and 2, and bit 11 which has no cross
    demo_rand_queue_for_test({5, 32767, 5, 0x7ff});
    draw_flicker_lines(0.0);
    const auto& v = glrec::nth(GL_LINES, 0).vertices;
    ASSERT_EQ(v.size(), 8u);  // two crosses, drawn with the old mask
    // Cross at x = 0 with the new half length 0.04, then the one at x = 0.2.
    EXPECT_FLOAT_EQ(v[0].x, -0.04f);
    EXPECT_FLOAT_EQ(v[1].x, 0.04f);
    EXPECT_FLOAT_EQ(v[2].y, 0.46f);
    EXPECT_FLOAT_EQ(v[3].y, 0.54f);
    EXPECT_FLOAT_EQ(v[6].x, 0.2f);
    for (const auto& p : v) EXPECT_EQ(p.color.g, 1.0f);
    EXPECT_EQ(flicker_mask, 0x7ff);

    // All eleven crosses, the last on the right edge.
    glrec::reset();
    st(sync_state.flicker_level, 1.0f);
    demo_rand_queue_for_test({0, 0});
    draw_flicker_lines(0.0);
    const auto& all = glrec::nth(GL_LINES, 0).vertices;
    ASSERT_EQ(all.size(), 44u);
    EXPECT_FLOAT_EQ(all[40 + 2].x, 1.0f);
}

// A single trigger keeps the crosses up for about 0.1505 s of frames.
TEST_F(Opening, FlickerLevelHalvesInAboutPointOneFiveZeroFive)
{
    st(sync_state.flicker_level, 1.0f);
    flicker_last_time = 0.0;
    double last_drawn = -1, first_dark = -1;
    for (int frame = 0; frame < 40 && first_dark < 0; ++frame) {
        const double t = frame / 100.0;
        const size_t before = glrec::batch_count();
        draw_flicker_lines(t);
        if (glrec::batch_count() > before)
            last_drawn = t;
        else
            first_dark = t;
    }
    std::printf("flicker crosses shown until t = %.2f, gone at t = %.2f\n", last_drawn, first_dark);
    // The call at t = 0.16 still sees the level left at t = 0.15 (0.501).
    EXPECT_DOUBLE_EQ(last_drawn, 0.16);
    EXPECT_DOUBLE_EQ(first_dark, 0.17);

    st(sync_state.flicker_level, 1.0f);
    flicker_last_time = 0.0;
    draw_flicker_lines(0.1505);
    EXPECT_NEAR(level_of(sync_state.flicker_level), 0.5f, 1e-3f);
}

}  // namespace
