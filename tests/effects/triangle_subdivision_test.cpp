// The triangle tree: its shape from the bytes, hatching, colours, outlines,
// the decay of the beat and the cow panels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/base/demo_data.h"
#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "draw/gl_state.h"
#include "effects/choice_table.h"
#include "effects/triangle_subdivision.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

const Vec2 kApex(0.5f, 0.2f), RIGHT(1.0f, 0.8f), LEFT(0.0f, 0.8f);

class TriangleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
        lazy_layer_start();  // GL was reset: the state cache must not trust what it sent before
    }
    static void use_bytes(std::vector<uint8_t> bytes)
    {
        ChoiceTable = std::move(bytes);
        triangle_needs_fill = false;
        quad_needs_fill = false;
    }
};

// (depth, drawn first among its siblings) of every node of a full tree, in
// drawing order.
void full_tree(int depth, bool first, std::vector<std::pair<int, bool>>& out)
{
    out.push_back({depth, first});
    if (depth > 5) return;
    for (int child = 0; child < 3; ++child) full_tree(depth + 1, child == 0, out);
}

void expect_vertex(const glrec::Vertex& v, Vec2 p, float tolerance = 0.0f)
{
    EXPECT_NEAR(v.x, p.x, tolerance);
    EXPECT_NEAR(v.y, p.y, tolerance);
}

TEST_F(TriangleTest, FullTreeFillsAndOutlinesEveryTriangleAfterItsChildren)
{
    use_bytes(std::vector<uint8_t>(1000, 7));
    st(sync_state.jump_count, 3);
    triangle_layer(0.0);

    const auto fills = glrec::batches_of(GL_TRIANGLES);
    const auto outlines = glrec::batches_of(GL_LINES);
    ASSERT_EQ(fills.size(), 1093u);
    ASSERT_EQ(outlines.size(), 1093u);
    EXPECT_EQ(choice_cursor, 3 + 364);

    for (const auto& fill : fills) {
        ASSERT_EQ(fill.vertices.size(), 3u);
        EXPECT_FALSE(fill.at_begin.is_on(GL_BLEND));
        EXPECT_EQ(fill.vertices[0].color.a, 0.5f);
    }
    for (const auto& line : outlines) {
        ASSERT_EQ(line.vertices.size(), 6u);
        EXPECT_TRUE(line.at_begin.is_on(GL_BLEND));
        EXPECT_TRUE(line.at_begin.is_on(GL_LINE_SMOOTH));
        EXPECT_EQ(line.at_begin.blend_src, static_cast<GLenum>(GL_SRC_ALPHA));
        EXPECT_EQ(line.at_begin.blend_dst, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
        EXPECT_EQ(line.vertices[0].color.r, 0.0f);
    }
    // The root's outline comes last, over the whole tree: a, b, b, c, c, a.
    const auto& root_outline = outlines.back();
    EXPECT_GT(root_outline.first_call, fills.back().first_call);
    const Vec2 expected[6] = {kApex, RIGHT, RIGHT, LEFT, LEFT, kApex};
    for (int i = 0; i < 6; ++i) expect_vertex(root_outline.vertices[i], expected[i]);

    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_FALSE(glrec::enabled(GL_LINE_SMOOTH));
    EXPECT_FALSE(glrec::enabled(GL_TEXTURE_2D));
}

TEST_F(TriangleTest, ByteWithoutCornerBitsGivesAChildlessNode)
{
    use_bytes(std::vector<uint8_t>(10, 0xf8));
    triangle_layer(0.0);
    EXPECT_EQ(glrec::batches_of(GL_TRIANGLES).size(), 1u);
    EXPECT_EQ(glrec::batches_of(GL_LINES).size(), 1u);
    EXPECT_EQ(choice_cursor, 1);
}

TEST_F(TriangleTest, DepthSixTakesNoByteAndDepthFiveTakesOne)
{
    use_bytes(std::vector<uint8_t>(10, 7));
    choice_cursor = 4;
    triangle_node(kApex, RIGHT, LEFT, 6);
    EXPECT_EQ(choice_cursor, 4);
    EXPECT_EQ(glrec::batches_of(GL_TRIANGLES).size(), 1u);
    EXPECT_EQ(glrec::batches_of(GL_LINES).size(), 1u);

    glrec::reset();
    triangle_node(kApex, RIGHT, LEFT, 5);
    EXPECT_EQ(choice_cursor, 5);
    EXPECT_EQ(glrec::batches_of(GL_TRIANGLES).size(), 4u);
}

TEST_F(TriangleTest, ChildrenShrinkByHalfAtRestAndSwellAfterABeat)
{
    std::vector<uint8_t> bytes(10, 0);
    bytes[0] = 7;
    use_bytes(bytes);

    triangle_node(kApex, RIGHT, LEFT, 0);
    auto fills = glrec::batches_of(GL_TRIANGLES);
    ASSERT_EQ(fills.size(), 4u);
    // Midpoint subdivision, exactly: each child keeps one corner.
    const Vec2 mid_ab(0.75f, 0.5f), mid_bc(0.5f, 0.8f), mid_ca(0.25f, 0.5f);
    const Vec2 children[3][3] = {{kApex, mid_ab, mid_ca}, {RIGHT, mid_bc, mid_ab}, {LEFT, mid_ca, mid_bc}};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 3; ++v) expect_vertex(fills[c + 1].vertices[v], children[c][v]);

    // Right after a beat the children reach about 0.752 of the way; the layer
    // draws with the level before its decay.
    glrec::reset();
    st(sync_state.beat_level, 1.0f);
    triangle_layer(0.0);
    fills = glrec::batches_of(GL_TRIANGLES);
    ASSERT_EQ(fills.size(), 4u);
    const float s = 0.5f + 0.3f * std::sin(1.0f);
    expect_vertex(fills[1].vertices[1], Vec2(0.5f + 0.5f * s, 0.2f + 0.6f * s), 1e-6f);
    expect_vertex(fills[3].vertices[1], Vec2(0.5f * s, 0.8f - 0.6f * s), 1e-6f);
    expect_vertex(fills[3].vertices[2], Vec2(s, 0.8f), 1e-6f);
}

TEST_F(TriangleTest, OddDepthsAndFirstDrawnChildrenAreHatched)
{
    use_bytes(std::vector<uint8_t>(1000, 7));
    triangle_layer(0.0);
    const auto fills = glrec::batches_of(GL_TRIANGLES);
    std::vector<std::pair<int, bool>> nodes;
    full_tree(0, false, nodes);
    ASSERT_EQ(fills.size(), nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        const bool hatched = nodes[i].first % 2 == 1 || nodes[i].second;
        EXPECT_EQ(fills[i].at_begin.is_on(GL_POLYGON_STIPPLE), hatched) << "node " << i << " depth " << nodes[i].first;
    }

    // "First" means drawn first, not the child at corner a: root -> b only,
    // that child -> b and c. The b grandchild is hatched, the c one is solid.
    glrec::reset();
    use_bytes({2, 6, 0, 0, 0, 0});
    triangle_layer(0.0);
    const auto few = glrec::batches_of(GL_TRIANGLES);
    ASSERT_EQ(few.size(), 4u);
    EXPECT_FALSE(few[0].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_TRUE(few[1].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_TRUE(few[2].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(few[3].at_begin.is_on(GL_POLYGON_STIPPLE));
    // The hatch is the diagonal pattern, handed over once per frame.
    EXPECT_EQ(glrec::count("glPolygonStipple"), 1u);
    EXPECT_EQ(glrec::stipple()[0], 0x88);
    EXPECT_EQ(glrec::stipple()[4 * 3], 0x11);
}

TEST_F(TriangleTest, RedFollowsDepthJumpCountAndBeat)
{
    // A chain down corner a: one fill per depth 0..6.
    use_bytes(std::vector<uint8_t>(100, 1));
    auto reds = [] {
        std::vector<float> out;
        for (const auto& fill : glrec::batches_of(GL_TRIANGLES)) out.push_back(fill.vertices[0].color.r);
        return out;
    };
    triangle_layer(0.0);
    const std::vector<float> before = reds();
    ASSERT_EQ(before.size(), 7u);
    EXPECT_FLOAT_EQ(before[0], 1.0f);
    // Passed on unclamped: cos(2) is negative and GL makes it black.
    EXPECT_NEAR(before[2], std::cos(2.0), 1e-6);

    // One more trigger: each depth takes the colour the next one had.
    sync_apply_instrument(role::crash, 0);
    glrec::reset();
    triangle_layer(0.1);
    const std::vector<float> after = reds();
    ASSERT_EQ(after.size(), 7u);
    for (int d = 0; d < 6; ++d) EXPECT_EQ(after[d], before[d + 1]) << "depth " << d;

    // A beat brightens: cos(jump + 1) + 0.3 at the root.
    st(sync_state.beat_level, 1.0f);
    glrec::reset();
    triangle_layer(0.2);
    EXPECT_NEAR(reds()[0], std::cos(2.0) + 0.3, 1e-6);
}

TEST_F(TriangleTest, BeatDecaysAfterTheFrameFromItsOwnLastTime)
{
    use_bytes(std::vector<uint8_t>(10, 0));
    st(sync_state.beat_level, 1.0f);
    // First frame: the store starts at -1, so one whole second decays.
    triangle_layer(0.0);
    EXPECT_NEAR(ld(sync_state.beat_level), 0.01f, 1e-7f);
    EXPECT_EQ(triangle_last_time, 0.0);
    triangle_layer(0.5);
    EXPECT_NEAR(ld(sync_state.beat_level), 0.001f, 1e-8f);
    EXPECT_EQ(triangle_last_time, 0.5);
    // No time passed, no decay.
    triangle_layer(0.5);
    EXPECT_NEAR(ld(sync_state.beat_level), 0.001f, 1e-8f);
}

TEST_F(TriangleTest, CowPanelsSlideAlongTheSlantedSides)
{
    TextureTable[6] = 77;
    use_bytes(std::vector<uint8_t>(10, 0));
    triangle_layer(3.0);
    const auto panels = glrec::batches_of(GL_QUADS);
    ASSERT_EQ(panels.size(), 8u);
    // Phase 0.9 + 0.2 k modulo 1.4, times 0.4.
    const float us[4] = {0.36f, 0.44f, 0.52f, 0.04f};
    for (int k = 0; k < 4; ++k) {
        for (int side = 0; side < 2; ++side) {
            const auto& p = panels[2 * k + side];
            ASSERT_EQ(p.vertices.size(), 4u);
            EXPECT_EQ(p.at_begin.texture, 77u);
            EXPECT_TRUE(p.at_begin.is_on(GL_TEXTURE_2D));
            EXPECT_TRUE(p.at_begin.is_on(GL_BLEND));
            EXPECT_FALSE(p.at_begin.is_on(GL_POLYGON_STIPPLE));
            EXPECT_EQ(p.at_begin.blend_src, static_cast<GLenum>(GL_ONE_MINUS_SRC_COLOR));
            EXPECT_EQ(p.at_begin.blend_dst, static_cast<GLenum>(GL_SRC_COLOR));
            EXPECT_EQ(p.at_begin.color.r, 1.0f);
            float cx = 0, cy = 0;
            for (const auto& v : p.vertices) cx += v.x / 4, cy += v.y / 4;
            const float dx = p.vertices[1].x - p.vertices[0].x, dy = p.vertices[1].y - p.vertices[0].y;
            const float size = std::sqrt(dx * dx + dy * dy);
            const float u = us[k];
            if (side == 0) {
                // Growing, down the right side from the apex.
                EXPECT_NEAR(cx, u + 0.5f, 1e-5f);
                EXPECT_NEAR(cy, 0.2f + 1.2f * (cx - 0.5f), 1e-5f);
                EXPECT_NEAR(size, 0.15f * u, 1e-5f);
                // Turned clockwise: the first corner sits straight above the centre.
                if (size > 0) {
                    EXPECT_NEAR(p.vertices[0].x, cx, 1e-3f * size);
                }
            } else {
                // Shrinking, up the left side; gone for u >= 0.5.
                EXPECT_NEAR(cx, u, 1e-5f);
                EXPECT_NEAR(cy, 0.8f - 1.2f * cx, 1e-5f);
                EXPECT_NEAR(size, std::max(0.0f, 0.075f - 0.15f * u), 1e-5f);
                // Turned counter-clockwise: the first corner sits left of the centre.
                if (size > 0) {
                    EXPECT_NEAR(p.vertices[0].y, cy, 1e-3f * size);
                }
            }
        }
    }
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_FALSE(glrec::enabled(GL_TEXTURE_2D));
    TextureTable[6] = 0;
}

}  // namespace
