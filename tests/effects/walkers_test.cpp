#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/base/random.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "effects/branch_walkers.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

constexpr float kQuarterPi = 0.7853982f;

// Glyphs in the frame's batch: a body (two triangles) and four discs of ten each.
constexpr size_t kGlyphVertices = 6 + 4 * 30;

size_t glyphs_drawn()
{
    size_t vertices = 0;
    for (const glrec::Batch& b : glrec::batches_of(GL_TRIANGLES)) vertices += b.vertices.size();
    return vertices / kGlyphVertices;
}

class Walkers : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
    }
    // One call in `order` with walker_spawn raised and the given random values next.
    void spawn_frame(int order, std::initializer_list<int> rands)
    {
        demo_rand_queue_for_test(rands);
        st(sync_state.walker_spawn, true);
        draw_branch_walkers(0.0, order);
    }
    // Puts the layer inside order 4 with empty lists and spawn point (0.5, 0.5).
    void enter_order_4()
    {
        draw_branch_walkers(0.0, 4);
        glrec::reset();
        demo_rand_reset_for_test();
    }
};

TEST_F(Walkers, SpawnWithoutSourcesUsesSpawnPointAndTurnOnly)
{
    const struct {
        int turn, sign;
        float heading;
    } cases[] = {{0, 0, kQuarterPi}, {2, 1, -kQuarterPi}, {1, 0, 0.0f}, {3, 1, 0.0f}};
    for (const auto& c : cases) {
        SetUp();
        enter_order_4();
        walker_spawn_point = Vec2(0.3f, 0.95f);  // outside the unit square on purpose: no range check
        spawn_frame(4, {c.turn, c.sign, 1});
        ASSERT_EQ(drawn_walkers.size(), 1u);
        EXPECT_EQ(drawn_walkers[0].pos.x, 0.3f);
        EXPECT_EQ(drawn_walkers[0].pos.y, 0.95f);
        EXPECT_EQ(drawn_walkers[0].heading, c.heading) << c.turn << " " << c.sign;
        EXPECT_EQ(walker_spawn_point.x, 0.3f);
        EXPECT_EQ(walker_spawn_point.y, 0.95f);
        EXPECT_EQ(source_walkers.size(), 1u);
        EXPECT_EQ(demo_rand_count(), 3u);  // turn, sign, doubling: no index draw
    }
}

TEST_F(Walkers, OneInSevenIsAppendedToSourcesTwice)
{
    enter_order_4();
    spawn_frame(4, {1, 0, 14});
    EXPECT_EQ(drawn_walkers.size(), 1u);
    EXPECT_EQ(source_walkers.size(), 2u);
    spawn_frame(4, {1, 0, 0, 13});  // picks one copy, appends the child once
    EXPECT_EQ(drawn_walkers.size(), 2u);
    EXPECT_EQ(source_walkers.size(), 2u);
    EXPECT_EQ(demo_rand_count(), 7u);
}

TEST_F(Walkers, ChildStartsAtSourceTipTurnedFromItsHeading)
{
    enter_order_4();
    source_walkers = {Walker(0.3f, 0.6f, kQuarterPi)};
    spawn_frame(4, {0, 0, 0, 1});  // +pi/4 turn
    ASSERT_EQ(drawn_walkers.size(), 1u);
    const Walker& w = drawn_walkers[0];
    EXPECT_NEAR(w.pos.x, 0.3 + 0.1 * std::cos(double(kQuarterPi)), 1e-6);
    EXPECT_NEAR(w.pos.y, 0.6 - 0.1 * std::sin(double(kQuarterPi)), 1e-6);  // y down: heading pi/4 points up-right
    EXPECT_FLOAT_EQ(w.heading, 2 * kQuarterPi);
    ASSERT_EQ(source_walkers.size(), 1u);  // the source left, the child joined
    EXPECT_EQ(source_walkers[0].pos.x, w.pos.x);
}

TEST_F(Walkers, TipOffTheUnitSquareRestartsThatCoordinateAtHalf)
{
    enter_order_4();
    source_walkers = {Walker(0.95f, 0.3f, 0.0f)};  // tip x 1.05
    spawn_frame(4, {1, 0, 0, 1});
    EXPECT_EQ(drawn_walkers.back().pos.x, 0.5f);
    EXPECT_FLOAT_EQ(drawn_walkers.back().pos.y, 0.3f);

    source_walkers = {Walker(0.2f, 0.08f, 2 * kQuarterPi)};  // tip y -0.02
    spawn_frame(4, {1, 0, 0, 1});
    EXPECT_NEAR(drawn_walkers.back().pos.x, 0.2f, 1e-6);
    EXPECT_EQ(drawn_walkers.back().pos.y, 0.5f);

    source_walkers = {Walker(-0.2f, 1.2f, 4 * kQuarterPi)};  // tip (-0.3, 1.2): both
    spawn_frame(4, {1, 0, 0, 1});
    EXPECT_EQ(drawn_walkers.back().pos.x, 0.5f);
    EXPECT_EQ(drawn_walkers.back().pos.y, 0.5f);
}

TEST_F(Walkers, TipExactlyOnTheEdgeStays)
{
    enter_order_4();
    const float x0 = 1.0f - 0.1f;
    ASSERT_EQ(x0 + 0.1f, 1.0f);
    source_walkers = {Walker(x0, 0.0f, 0.0f)};  // tip (1.0, 0.0)
    spawn_frame(4, {1, 0, 0, 1});
    EXPECT_EQ(drawn_walkers.back().pos.x, 1.0f);
    EXPECT_EQ(drawn_walkers.back().pos.y, 0.0f);
}

TEST_F(Walkers, DoubledSourceIsPickedWithDoubleWeightAndItsOtherCopyStays)
{
    const Walker a(0.2f, 0.2f, 0.0f), b(0.6f, 0.6f, 0.0f);
    int picks_of_a = 0;
    for (int r = 0; r < 3; ++r) {
        SetUp();
        enter_order_4();
        source_walkers = {a, a, b};
        spawn_frame(4, {1, 0, r, 1});
        const bool picked_a = std::fabs(drawn_walkers[0].pos.x - 0.3f) < 1e-6f;
        picks_of_a += picked_a;
        int copies_of_a = 0, copies_of_b = 0;
        for (const Walker& w : source_walkers) {
            copies_of_a += w.pos.x == a.pos.x && w.pos.y == a.pos.y;
            copies_of_b += w.pos.x == b.pos.x && w.pos.y == b.pos.y;
        }
        EXPECT_EQ(copies_of_a, picked_a ? 1 : 2) << r;
        EXPECT_EQ(copies_of_b, picked_a ? 1 : 0) << r;
        EXPECT_EQ(source_walkers.size(), 3u);
        EXPECT_EQ(source_walkers.back().pos.x, drawn_walkers[0].pos.x);  // the child, at the end
    }
    EXPECT_EQ(picks_of_a, 2);
}

TEST_F(Walkers, OrderChangeFrameDrawsTheOldWalkersThenEmptiesBoth)
{
    enter_order_4();
    spawn_frame(4, {1, 0, 1});
    spawn_frame(4, {1, 0, 0, 1});
    spawn_frame(4, {1, 0, 0, 1});
    ASSERT_EQ(drawn_walkers.size(), 3u);

    glrec::reset();
    spawn_frame(5, {1, 0, 0, 1});  // spawns a fourth, draws all four, then wipes
    EXPECT_EQ(glyphs_drawn(), 4u);
    EXPECT_EQ(glrec::batches_of(GL_TRIANGLES).size(), 1u);
    EXPECT_TRUE(drawn_walkers.empty());
    EXPECT_TRUE(source_walkers.empty());
    EXPECT_EQ(walker_spawn_point.x, 0.5f);
    EXPECT_EQ(walker_spawn_point.y, 0.5f);
    EXPECT_EQ(walker_last_order, 5);

    // The next frame of the new order starts from the centre.
    glrec::reset();
    spawn_frame(5, {1, 0, 1});
    ASSERT_EQ(drawn_walkers.size(), 1u);
    EXPECT_EQ(drawn_walkers[0].pos.x, 0.5f);
    EXPECT_EQ(glyphs_drawn(), 1u);
}

TEST_F(Walkers, VeryFirstCallSpawnsFromLeftEdgeDrawsItOnceAndLowersTheFlag)
{
    spawn_frame(4, {1, 0, 1});
    ASSERT_EQ(glyphs_drawn(), 1u);
    EXPECT_FLOAT_EQ(glrec::nth(GL_TRIANGLES, 0).vertices[0].x, 0.0f);  // spawned at (0, 0.5)
    EXPECT_TRUE(drawn_walkers.empty());
    EXPECT_FALSE(ld(sync_state.walker_spawn));
    EXPECT_EQ(walker_countdown, 20);
}

TEST_F(Walkers, CountdownCountsCallsAndLowersEveryTwentieth)
{
    draw_branch_walkers(0.0, 4);  // call 1: countdown 1 -> 0 -> 20
    st(sync_state.walker_spawn, true);
    for (int call = 2; call <= 21; ++call) {
        EXPECT_TRUE(ld(sync_state.walker_spawn)) << call;
        draw_branch_walkers(0.0, 4);
    }
    EXPECT_FALSE(ld(sync_state.walker_spawn));
    EXPECT_EQ(drawn_walkers.size(), 20u);

    // Raised just before the frame where the countdown runs out: exactly one walker.
    for (int call = 22; call <= 40; ++call) draw_branch_walkers(0.0, 4);
    EXPECT_EQ(walker_countdown, 1);
    st(sync_state.walker_spawn, true);
    draw_branch_walkers(0.0, 4);
    draw_branch_walkers(0.0, 4);
    EXPECT_EQ(drawn_walkers.size(), 21u);
    EXPECT_FALSE(ld(sync_state.walker_spawn));
}

TEST_F(Walkers, WithoutSpawnsOnlyToggleStippling)
{
    draw_branch_walkers(0.0, 4);
    draw_branch_walkers(0.0, 4);
    EXPECT_EQ(glrec::count("glBegin"), 0u);
    EXPECT_EQ(glrec::count("glPolygonStipple"), 2u);
    EXPECT_EQ(glrec::calls_named("glEnable").size(), 2u);
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_EQ(demo_rand_count(), 0u);
    uint8_t diagonal[128];
    build_diagonal_stipple(diagonal);
    EXPECT_TRUE(std::equal(diagonal, diagonal + 128, glrec::stipple().begin()));
}

TEST_F(Walkers, GlyphIsHatchedCapsuleWithTwoRedDots)
{
    enter_order_4();
    glEnable(GL_BLEND);
    drawn_walkers = {Walker(0.5f, 0.5f, 2 * kQuarterPi)};  // points up the screen
    draw_branch_walkers(0.0, 4);

    // The body's corners, as the triangles 0 1 3 and 1 2 3 of the capsule quad.
    const glrec::Batch& glyph = glrec::nth(GL_TRIANGLES, 0);
    EXPECT_TRUE(glyph.at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(glyph.at_begin.is_on(GL_BLEND));
    ASSERT_EQ(glyph.vertices.size(), kGlyphVertices);
    const float corner[4][2] = {{0.485f, 0.5f}, {0.485f, 0.4f}, {0.515f, 0.4f}, {0.515f, 0.5f}};
    const int order[6] = {0, 1, 3, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(glyph.vertices[i].x, corner[order[i]][0], 1e-6) << i;
        EXPECT_NEAR(glyph.vertices[i].y, corner[order[i]][1], 1e-6) << i;
        EXPECT_FLOAT_EQ(glyph.vertices[i].color.b, 1.0f);
    }

    // Then four discs of 10 triangles.
    const float centre_y[4] = {0.5f, 0.4f, 0.475f, 0.425f};
    const float radius[4] = {0.015f, 0.015f, 0.0055f, 0.0055f};
    for (int d = 0; d < 4; ++d) {
        const auto& c = glyph.vertices[6 + d * 30];
        const auto& rim = glyph.vertices[6 + d * 30 + 1];
        EXPECT_NEAR(c.x, 0.5f, 1e-6) << d;
        EXPECT_NEAR(c.y, centre_y[d], 1e-6) << d;
        EXPECT_NEAR(std::hypot(rim.x - c.x, rim.y - c.y), radius[d], 1e-6) << d;
        EXPECT_FLOAT_EQ(c.color.g, d < 2 ? 1.0f : 0.0f) << d;  // caps white, dots red
        EXPECT_FLOAT_EQ(c.color.r, 1.0f);
    }
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_FLOAT_EQ(glrec::color().g, 0.0f);
}

}  // namespace
