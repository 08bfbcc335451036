// Red bars, sliding dashes and the hex grid on the recorded OpenGL stream.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "effects/hex_grid.h"
#include "effects/red_bars.h"
#include "effects/sliding_dashes.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

class Background : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
    }
};

TEST_F(Background, BarsAtTimeZero)
{
    draw_red_bars(0.0);
    ASSERT_EQ(glrec::batch_count(), 1u);
    const auto& v = glrec::nth(GL_LINES, 0).vertices;
    ASSERT_EQ(v.size(), 200u);
    // Bar 0 at the right edge, shortest (g = 0.5, H = 0.4), red 1.5.
    EXPECT_FLOAT_EQ(v[0].x, 1.0f);
    EXPECT_FLOAT_EQ(v[0].y, 0.4f);
    EXPECT_FLOAT_EQ(v[1].x, 1.0f);
    EXPECT_FLOAT_EQ(v[1].y, 0.6f);
    EXPECT_FLOAT_EQ(v[0].color.r, 1.5f);
    EXPECT_EQ(v[0].color.g, 0.0f);
    // Bar 1.
    EXPECT_NEAR(v[2].x, 0.7702, 1e-4);
    EXPECT_NEAR(v[2].y, 0.2584, 1e-4);
    EXPECT_NEAR(v[3].y, 0.7416, 1e-4);
    // Every bar is vertical and centred on y = 0.5; some reds are negative (black).
    int negative = 0;
    for (size_t i = 0; i < 200; i += 2) {
        EXPECT_EQ(v[i].x, v[i + 1].x);
        EXPECT_NEAR(v[i].y + v[i + 1].y, 1.0f, 1e-6f);
        EXPECT_LT(v[i].y, v[i + 1].y);  // top end first
        negative += v[i].color.r < 0;
    }
    EXPECT_GT(negative, 0);
}

TEST_F(Background, DashesAtTimeZeroAndAfterAWrap)
{
    draw_sliding_dashes(0.0);
    const auto& v = glrec::nth(GL_QUADS, 0).vertices;
    ASSERT_EQ(v.size(), 40u);
    const double left[10] = {-0.3, -0.15, 0.0, 0.15, 0.3, 0.45, 0.6, 0.75, 0.9, -0.25};
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        const double d = 0.2 * std::sin(0.2542 * i);
        const glrec::Vertex* q = &v[4 * i];
        EXPECT_NEAR(q[0].x, left[i], 1e-6);
        EXPECT_NEAR(q[0].y, d + 0.5, 1e-6);
        EXPECT_NEAR(q[1].x, left[i], 1e-6);
        EXPECT_NEAR(q[1].y, d + 0.6, 1e-6);
        EXPECT_NEAR(q[2].x, left[i] + 0.05, 1e-6);
        EXPECT_NEAR(q[2].y, d + 0.6, 1e-6);
        EXPECT_NEAR(q[3].x, left[i] + 0.05, 1e-6);
        EXPECT_NEAR(q[3].y, d + 0.5, 1e-6);
        EXPECT_EQ(q[0].color.r + q[0].color.g + q[0].color.b, 0.0f);
    }
    glrec::reset();
    draw_sliding_dashes(0.35);
    const auto& w = glrec::nth(GL_QUADS, 0).vertices;
    EXPECT_NEAR(w[0].x, 0.05, 1e-6);
    EXPECT_NEAR(w[36].x, 0.1, 1e-6);  // dash 9 wrapped at t = 0.05
}

TEST_F(Background, BarsAndDashesTouchOnlyTheColourAndTakeNoRandomNumbers)
{
    draw_red_bars(2.0);
    draw_sliding_dashes(2.0);
    EXPECT_EQ(glrec::count("glEnable") + glrec::count("glDisable") + glrec::count("glBlendFunc"), 0u);
    EXPECT_EQ(demo_rand_count(), 0u);
    EXPECT_EQ(glrec::color().r, 0.0f);
}

// Cell centre for row i, column j.
glrec::Vertex cell_centre(int i, int j)
{
    glrec::Vertex c;
    c.x = static_cast<float>(j / 12.4 + 0.25);
    c.y = static_cast<float>((i + ((j & 1) ? 0.5 : 0.0)) / 8.55 + 0.25);
    return c;
}

TEST_F(Background, HexGridLitCellsAndCirclesAtPhaseZero)
{
    draw_hex_grid(123.0);  // t plays no part
    ASSERT_EQ(glrec::batch_count(), 1u);
    const auto& v = glrec::nth(GL_LINES, 0).vertices;
    const std::set<int> lit = {0, 1, 5, 6, 7, 11}, circled = {0, 5, 7};
    const double phase = 1.0471976f;
    size_t at = 0;
    int cells = 0, circles = 0;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 8; ++j) {
            if (!lit.count(i + j)) continue;
            SCOPED_TRACE(testing::Message() << "row " << i << " column " << j);
            const glrec::Vertex c = cell_centre(i, j);
            ASSERT_LE(at + 12, v.size());
            EXPECT_NEAR(v[at].x, c.x + 0.05 * std::cos(phase), 1e-6);
            EXPECT_NEAR(v[at].y, c.y + 0.05 * std::sin(phase), 1e-6);
            at += 12;
            ++cells;
            if (circled.count(i + j)) {
                ASSERT_LE(at + 40, v.size());
                EXPECT_NEAR(v[at].x, c.x + 0.025 * std::cos(phase), 1e-6);
                EXPECT_NEAR(v[at].y, c.y + 0.025 * std::sin(phase), 1e-6);
                at += 40;
                ++circles;
            }
        }
    }
    EXPECT_EQ(at, v.size());
    EXPECT_EQ(cells, 19);
    EXPECT_EQ(circles, 11);
    // The grid spans x 0.25..0.8145 and y 0.25..0.7763 (cell centres).
    EXPECT_NEAR(cell_centre(4, 7).x, 0.8145, 1e-4);
    EXPECT_NEAR(cell_centre(4, 7).y, 0.7763, 1e-4);
}

TEST_F(Background, HexGridStateUnevenPair)
{
    glEnable(GL_LINE_SMOOTH);
    draw_hex_grid(0.0);
    const glrec::Batch& b = glrec::nth(GL_LINES, 0);
    EXPECT_TRUE(b.at_begin.is_on(GL_POLYGON_SMOOTH));
    EXPECT_TRUE(b.at_begin.is_on(GL_BLEND));
    EXPECT_EQ(b.at_begin.blend_src, GLenum(GL_SRC_ALPHA_SATURATE));
    EXPECT_EQ(b.at_begin.blend_dst, GLenum(GL_ONE));
    EXPECT_EQ(b.at_begin.color.r, 1.0f);
    EXPECT_EQ(b.at_begin.color.b, 1.0f);
    // Afterwards: polygon smoothing stays on, line smoothing and blending are off.
    EXPECT_TRUE(glrec::enabled(GL_POLYGON_SMOOTH));
    EXPECT_FALSE(glrec::enabled(GL_LINE_SMOOTH));
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_EQ(glrec::state().blend_src, GLenum(GL_SRC_ALPHA_SATURATE));
    // The layer itself enables exactly polygon smoothing and blending.
    const auto enables = glrec::calls_named("glEnable");
    ASSERT_EQ(enables.size(), 3u);
    EXPECT_EQ(enables[1].args[0], double(GL_POLYGON_SMOOTH));
    EXPECT_EQ(enables[2].args[0], double(GL_BLEND));
    EXPECT_EQ(demo_rand_count(), 0u);
}

}  // namespace
