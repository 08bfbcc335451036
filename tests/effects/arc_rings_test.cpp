#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/base/random.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "effects/arc_rings.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

// Seven rings, six arcs of 40 quads each: 960 vertices per ring.
constexpr double PI = 3.14159265358979323846;
constexpr size_t kRingVertices = 6 * 40 * 4;
const double kInner[7] = {0.15, 0.13, 0.205, 0.245, 0.22, 0.23, 0.27};
const double kOuter[7] = {0.2, 0.14, 0.21, 0.26, 0.225, 0.24, 0.6};

class ArcRings : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
    }
    const glrec::Vertex& ring_vertex(int ring, size_t i)
    {
        return glrec::nth(GL_QUADS, 0).vertices[ring * kRingVertices + i];
    }
    double dist(const glrec::Vertex& v) { return std::hypot(v.x - arc_centre.x, v.y - arc_centre.y); }
    double angle(const glrec::Vertex& v) { return std::atan2(v.y - arc_centre.y, v.x - arc_centre.x); }
};

TEST_F(ArcRings, RadiiSwellByBeatLevel)
{
    for (float beat : {0.0f, 1.0f}) {
        SetUp();
        st(sync_state.beat_level, beat);
        draw_arc_rings(0.0, 12);
        ASSERT_EQ(glrec::batches_of(GL_QUADS).size(), 1u);
        ASSERT_EQ(glrec::nth(GL_QUADS, 0).vertices.size(), 7 * kRingVertices);
        for (int ring = 0; ring < 7; ++ring) {
            // First quad: inner at th0, inner at th1, outer at th1, outer at th0.
            EXPECT_NEAR(dist(ring_vertex(ring, 0)), kInner[ring] + 0.025 * beat, 1e-6) << ring;
            EXPECT_NEAR(dist(ring_vertex(ring, 2)), kOuter[ring] + 0.025 * beat, 1e-6) << ring;
            EXPECT_NEAR(dist(ring_vertex(ring, kRingVertices - 1)), kOuter[ring] + 0.025 * beat, 1e-6);
        }
    }
}

TEST_F(ArcRings, AtTimeZeroAllRingsFullRedAndFirstArcFromZero)
{
    draw_arc_rings(0.0, 12);
    for (int ring = 0; ring < 7; ++ring) {
        const auto& first = ring_vertex(ring, 0);
        EXPECT_FLOAT_EQ(first.color.r, 1.0f);
        EXPECT_EQ(first.color.g, 0.0f);
        EXPECT_EQ(first.color.b, 0.0f);
        EXPECT_FLOAT_EQ(first.color.a, 0.5f);
        EXPECT_NEAR(angle(first), 0.0, 1e-5) << ring;
        // Quad 39 closes the first arc at 0.95 of a sixth turn; quad 40 opens the next at a sixth.
        EXPECT_NEAR(angle(ring_vertex(ring, 39 * 4 + 1)), 0.9948377, 1e-5) << ring;
        EXPECT_NEAR(angle(ring_vertex(ring, 40 * 4)), 1.0471976, 1e-5) << ring;
    }
    const glrec::Batch& b = glrec::nth(GL_QUADS, 0);
    EXPECT_TRUE(b.at_begin.is_on(GL_BLEND));
    EXPECT_EQ(b.at_begin.blend_src, GLenum(GL_ONE));
    EXPECT_EQ(b.at_begin.blend_dst, GLenum(GL_ONE));
}

TEST_F(ArcRings, ColourAndSpinFollowEachRingsRates)
{
    const double t = PI;
    draw_arc_rings(t, 12);
    EXPECT_NEAR(ring_vertex(0, 0).color.r, 0.0, 1e-6);  // ring 1 adds nothing at t = pi
    EXPECT_NEAR(ring_vertex(1, 0).color.r, 0.5 * std::cos(1.34 * t) + 0.5, 1e-6);
    // Ring 3 turns the other way at 1.43 rad/s: its first arc starts at -1.43 pi.
    EXPECT_NEAR(std::remainder(angle(ring_vertex(2, 0)) + 1.43 * t, 2 * PI), 0.0, 1e-5);
    EXPECT_NEAR(std::remainder(angle(ring_vertex(3, 0)) - 1.31 * t, 2 * PI), 0.0, 1e-5);
    // Rings 6 and 7 share colour and angles.
    EXPECT_EQ(ring_vertex(5, 0).color.r, ring_vertex(6, 0).color.r);
    EXPECT_NEAR(angle(ring_vertex(5, 0)), angle(ring_vertex(6, 0)), 1e-6);
    EXPECT_FLOAT_EQ(glrec::color().r, ring_vertex(6, 0).color.r);  // left at ring 7's colour
}

TEST_F(ArcRings, NewCentreAtEveryOrderChangeXThenY)
{
    demo_rand_queue_for_test({0, 32767});
    draw_arc_rings(0.0, 12);
    EXPECT_EQ(arc_centre.x, 0.25f);
    EXPECT_EQ(arc_centre.y, 0.75f);
    EXPECT_EQ(demo_rand_count(), 2u);
    EXPECT_NEAR(dist(ring_vertex(0, 0)), 0.15, 1e-6);  // drawn around the new centre

    draw_arc_rings(0.1, 12);
    EXPECT_EQ(demo_rand_count(), 2u);
    EXPECT_EQ(arc_centre.x, 0.25f);

    demo_rand_queue_for_test({32767, 16384});
    draw_arc_rings(0.2, 13);
    EXPECT_EQ(arc_centre.x, 0.75f);
    EXPECT_NEAR(arc_centre.y, 0.5000076f, 1e-7);
    EXPECT_EQ(arc_last_order, 13);
}

TEST_F(ArcRings, DecaysBeatLevelAfterDrawingByOwnElapsedTime)
{
    arc_last_time = 1.0;
    st(sync_state.beat_level, 1.0f);
    draw_arc_rings(1.5, 12);
    EXPECT_NEAR(dist(ring_vertex(0, 0)), 0.175, 1e-6);  // drawn with the level before the decay
    EXPECT_NEAR(ld(sync_state.beat_level), 0.1f, 1e-7);
    EXPECT_EQ(arc_last_time, 1.5);

    st(sync_state.beat_level, 1.0f);
    draw_arc_rings(1.5, 12);
    EXPECT_EQ(ld(sync_state.beat_level), 1.0f);

    // First call of all: from the -1.0 store, dt = t + 1.
    SetUp();
    st(sync_state.beat_level, 1.0f);
    draw_arc_rings(0.0, 12);
    EXPECT_NEAR(ld(sync_state.beat_level), 0.01f, 1e-8);
}

TEST_F(ArcRings, BandsAreSolidAndStipplingIsOffAfterwards)
{
    draw_arc_rings(0.0, 12);
    EXPECT_FALSE(glrec::nth(GL_QUADS, 0).at_begin.is_on(GL_POLYGON_STIPPLE));
    for (const auto& c : glrec::calls_named("glEnable")) EXPECT_NE(GLenum(c.args[0]), GLenum(GL_POLYGON_STIPPLE));
    uint8_t diagonal[128];
    build_diagonal_stipple(diagonal);
    EXPECT_TRUE(std::equal(diagonal, diagonal + 128, glrec::stipple().begin()));
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_EQ(glrec::state().blend_src, GLenum(GL_ONE));
    EXPECT_EQ(glrec::state().blend_dst, GLenum(GL_ONE));
}

}  // namespace
