// The depth painter's two routes as OpenGL sees them: runs in order, or one
// draw per kind at growing depths, and the state each leaves.
#include "draw/depth_painter.h"

#include <gtest/gtest.h>

#include "support/gl_recorder.h"

namespace {

PaintedPrim quad(float x, float red, bool hatched)
{
    return PaintedPrim{{Vec2(x, 0), Vec2(x + 1, 0), Vec2(x + 1, 1), Vec2(x, 1)}, red, 0, 0, false, hatched};
}

PaintedPrim cross(float x, float shade, bool hatched)
{
    return PaintedPrim{{Vec2(x - 1, 0), Vec2(x + 1, 0), Vec2(x, -1), Vec2(x, 1)}, shade, shade, shade, true, hatched};
}

class DepthPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        painter_start(painter, 16);
    }
    void add(std::initializer_list<PaintedPrim> prims)
    {
        for (const PaintedPrim& p : prims) painter_add(painter, p);
    }
    DepthPainter painter;
};

TEST_F(DepthPainterTest, RunsOfOneKindAndHatchingAreDrawnInOrder)
{
    painter.depth_allowed = 0;  // no deep enough depth buffer
    add({quad(0, 0.2f, false), quad(1, 0.4f, false), cross(2, 1, false), quad(3, 0.6f, true), cross(4, 0, true),
         quad(5, 0.8f, false)});
    painter_paint(painter);

    struct Run {
        GLenum mode;
        size_t vertices;
        bool stipple;
        float first_x;
    };
    const Run expected[] = {{GL_QUADS, 8, false, 0},
                            {GL_LINES, 4, false, 1},
                            {GL_QUADS, 4, true, 3},
                            {GL_LINES, 4, true, 3},
                            {GL_QUADS, 4, false, 5}};
    const auto& batches = glrec::batches();
    ASSERT_EQ(batches.size(), std::size(expected));
    for (size_t i = 0; i < batches.size(); ++i) {
        EXPECT_TRUE(batches[i].arrays);
        EXPECT_EQ(batches[i].mode, expected[i].mode) << i;
        ASSERT_EQ(batches[i].vertices.size(), expected[i].vertices) << i;
        EXPECT_EQ(batches[i].at_begin.is_on(GL_POLYGON_STIPPLE), expected[i].stipple) << i;
        EXPECT_FALSE(batches[i].at_begin.is_on(GL_DEPTH_TEST));
        EXPECT_EQ(batches[i].vertices[0].x, expected[i].first_x) << i;
        for (const auto& v : batches[i].vertices) EXPECT_EQ(v.z, 0.0f);
    }
    // Colours per vertex, as recorded.
    EXPECT_EQ(batches[0].vertices[5].color.r, 0.4f);
    EXPECT_EQ(batches[1].vertices[0].color.g, 1.0f);
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_EQ(glrec::color().r, 0.8f);
    EXPECT_EQ(glrec::count("glDepthFunc"), 0u);
}

TEST_F(DepthPainterTest, MixedHatchingTakesFourDrawsAtGrowingDepths)
{
    painter.depth_allowed = 1;
    add({quad(0, 0.2f, true), cross(1, 1, false), quad(2, 0.4f, false), cross(3, 0, true), quad(4, 0.6f, true)});
    painter_paint(painter);

    const auto& batches = glrec::batches();
    ASSERT_EQ(batches.size(), 4u);
    // Unhatched quads, unhatched lines, hatched quads, hatched lines.
    const GLenum modes[4] = {GL_QUADS, GL_LINES, GL_QUADS, GL_LINES};
    const bool stipple[4] = {false, false, true, true};
    const float first_z[4] = {2 * kPainterDepthStep, 1 * kPainterDepthStep, 0, 3 * kPainterDepthStep};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(batches[i].mode, modes[i]);
        EXPECT_EQ(batches[i].at_begin.is_on(GL_POLYGON_STIPPLE), stipple[i]);
        EXPECT_TRUE(batches[i].at_begin.is_on(GL_DEPTH_TEST));
        EXPECT_EQ(batches[i].at_begin.depth_func, static_cast<GLenum>(GL_LEQUAL));
        EXPECT_EQ(batches[i].vertices[0].z, first_z[i]) << i;
    }
    ASSERT_EQ(batches[2].vertices.size(), 8u);
    EXPECT_EQ(batches[2].vertices[4].z, 4 * kPainterDepthStep);
    EXPECT_EQ(batches[2].vertices[4].color.r, 0.6f);
    // Back as found: depth test off, GL_LESS, no arrays; the stipple off and
    // the last primitive's colour.
    EXPECT_FALSE(glrec::enabled(GL_DEPTH_TEST));
    EXPECT_EQ(glrec::state().depth_func, static_cast<GLenum>(GL_LESS));
    EXPECT_EQ(glrec::count("glEnableClientState"), glrec::count("glDisableClientState"));
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_EQ(glrec::color().r, 0.6f);
}

TEST_F(DepthPainterTest, DepthStateSetByTheCallerIsKept)
{
    painter.depth_allowed = 1;
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    add({quad(0, 0.2f, true), quad(1, 0.4f, false)});
    painter_paint(painter);
    EXPECT_EQ(glrec::batch_count(), 2u);
    EXPECT_TRUE(glrec::enabled(GL_DEPTH_TEST));
    EXPECT_EQ(glrec::count("glDepthFunc"), 1u);  // the caller's own
    EXPECT_EQ(glrec::count("glEnable"), 2u);     // the caller's and the stipple's
}

TEST_F(DepthPainterTest, BlendingOrOneHatchingOnlyDrawsInOrder)
{
    painter.depth_allowed = 1;
    glEnable(GL_BLEND);
    add({quad(0, 0.2f, true), quad(1, 0.4f, false)});
    painter_paint(painter);
    EXPECT_EQ(glrec::batch_count(), 2u);
    EXPECT_EQ(glrec::count("glDepthFunc"), 0u);
    EXPECT_FALSE(glrec::batches()[1].at_begin.is_on(GL_DEPTH_TEST));

    glrec::reset();
    painter_start(painter, 16);
    add({quad(0, 0.2f, true), cross(1, 1, true), quad(2, 0.4f, true)});
    painter_paint(painter);
    // All hatched: nothing to sort by depth; one draw per change of kind.
    EXPECT_EQ(glrec::batch_count(), 3u);
    EXPECT_EQ(glrec::count("glEnable"), 1u);
    EXPECT_EQ(glrec::count("glDepthFunc"), 0u);
}

TEST_F(DepthPainterTest, NothingRecordedDrawsNothingAndPrimitivesPastTheCapacityAreDropped)
{
    painter_paint(painter);
    EXPECT_EQ(glrec::batch_count(), 0u);
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));

    painter_start(painter, 2);
    add({quad(0, 0.2f, false), quad(1, 0.4f, false), quad(2, 0.6f, false)});
    ASSERT_EQ(painter.prims.size(), 2u);
    painter_paint(painter);
    EXPECT_EQ(glrec::vertex_count(), 8u);
    EXPECT_EQ(glrec::color().r, 0.4f);
}

}  // namespace
