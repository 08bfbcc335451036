// The quad trees: which nodes split, where the parallelogram lies, hatching
// along first children, and the two kinds of crosses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/random.h"
#include "core/sync_state.h"
#include "draw/gl_state.h"
#include "effects/choice_table.h"
#include "effects/quad_subdivision.h"
#include "support/gl_recorder.h"

namespace {

const Vec2 kTopLeft(0.2f, 0.2f), TOP_RIGHT(0.8f, 0.2f);

class QuadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        sync_reset_for_test();
        demo_rand_reset_for_test();
        choice_table_reset_for_test();
        quad_reset_for_test();
        lazy_layer_start();                     // GL was reset: the state cache must not trust what it sent before
        quad_allow_depth_order_for_test(true);  // as on the demo's 24-bit depth buffer
    }
    static void use_bytes(std::vector<uint8_t> bytes)
    {
        ChoiceTable = std::move(bytes);
        triangle_needs_fill = false;
        quad_needs_fill = false;
    }
};

void expect_near(const glrec::Vertex& v, Vec2 p, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, p.x, tolerance);
    EXPECT_NEAR(v.y, p.y, tolerance);
}

// The four vertices of a cross of half-length 0.01 at p.
void expect_cross(const glrec::Batch& b, Vec2 p, float shade)
{
    ASSERT_EQ(b.vertices.size(), 4u);
    expect_near(b.vertices[0], Vec2(p.x - 0.01f, p.y));
    expect_near(b.vertices[1], Vec2(p.x + 0.01f, p.y));
    expect_near(b.vertices[2], Vec2(p.x, p.y - 0.01f));
    expect_near(b.vertices[3], Vec2(p.x, p.y + 0.01f));
    EXPECT_EQ(b.vertices[0].color.r, shade);
    EXPECT_EQ(b.vertices[0].color.g, shade);
}

// One primitive as it lands on the screen.
struct Painted {
    GLenum mode;
    bool hatched;
    glrec::Rgba color;
    std::vector<std::pair<float, float>> v;
    float z;  // 0 where the layer gave none
};

bool same(const Painted& a, const Painted& b)
{
    return a.mode == b.mode && a.hatched == b.hatched && a.color.r == b.color.r && a.color.g == b.color.g &&
           a.color.b == b.color.b && a.v == b.v;
}

// The recorded batches in the order their pixels stack up: with the depth
// test on (GL_LESS, cleared to the far plane), a nearer z (larger here, the
// view looks down -z) wins whatever the call order.
std::vector<Painted> painted_in_stacking_order()
{
    std::vector<Painted> out;
    const auto& calls = glrec::calls();
    for (const glrec::Batch& b : glrec::batches()) {
        Painted p{b.mode,
                  b.at_begin.is_on(GL_POLYGON_STIPPLE),
                  b.vertices.empty() ? glrec::Rgba{} : b.vertices[0].color,
                  {},
                  0.0f};
        for (const auto& v : b.vertices) p.v.emplace_back(v.x, v.y);
        for (size_t i = b.first_call; i < calls.size() && calls[i].name != "glEnd"; ++i)
            if (calls[i].name == "glVertex3f") p.z = static_cast<float>(calls[i].args[2]);
        out.push_back(p);
    }
    std::stable_sort(out.begin(), out.end(), [](const Painted& a, const Painted& b) { return a.z < b.z; });
    return out;
}

// The layer's frame drawn node by node, as quad_node draws outside the layer.
std::vector<Painted> drawn_in_order(double t)
{
    glrec::reset();
    lazy_layer_start();
    subdiv_time = static_cast<float>(t);
    choice_cursor = ld(sync_state.jump_count);
    quad_node(Vec2(0.2f, 0.2f), Vec2(0.8f, 0.2f), 0);
    quad_node(Vec2(0.8f, 0.2f), Vec2(0.8f, 0.8f), 0);
    quad_node(Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f), 0);
    quad_node(Vec2(0.2f, 0.8f), Vec2(0.2f, 0.2f), 0);
    lazy_flush();
    return painted_in_stacking_order();
}

size_t calls_with(const char* name, GLenum cap)
{
    size_t n = 0;
    for (const auto& c : glrec::calls_named(name)) n += c.args.size() == 1 && c.args[0] == cap;
    return n;
}

TEST_F(QuadTest, FullTreeDrawsEveryQuadOfTheFourRootsInOrder)
{
    use_bytes(std::vector<uint8_t>(10000, 1));
    st(sync_state.jump_count, 2);
    quad_layer(0.7);

    const auto quads = glrec::batches_of(GL_QUADS);
    ASSERT_EQ(quads.size(), 5440u);
    EXPECT_EQ(choice_cursor, 2 + 5460);

    int by_depth[6] = {};
    for (const auto& q : quads) {
        ASSERT_EQ(q.vertices.size(), 4u);
        EXPECT_FALSE(q.at_begin.is_on(GL_BLEND));
        const int depth = static_cast<int>(std::lround(q.vertices[0].color.r / 0.2f));
        ASSERT_TRUE(depth >= 2 && depth <= 5) << q.vertices[0].color.r;
        EXPECT_FLOAT_EQ(q.vertices[0].color.r, 0.2f * depth);
        ++by_depth[depth];
    }
    EXPECT_EQ(by_depth[2], 64);
    EXPECT_EQ(by_depth[3], 256);
    EXPECT_EQ(by_depth[4], 1024);
    EXPECT_EQ(by_depth[5], 4096);

    // Each root's 1360 quads start at its own corner: top, right, bottom, left.
    const Vec2 starts[4] = {kTopLeft, TOP_RIGHT, Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f)};
    for (int r = 0; r < 4; ++r) expect_near(quads[1360 * r].vertices[0], starts[r], 0.0f);

    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_EQ(glrec::count("glPolygonStipple"), 1u);
    EXPECT_EQ(glrec::stipple()[4], 0x44);
    EXPECT_EQ(glrec::calls_named("glBlendFunc").size(), 0u);
}

TEST_F(QuadTest, TopRootAtZeroWobbleBuildsTheInsideQuarterSquare)
{
    // t = -1 and byte 1 make the root's sum 0, so w = 0: a quarter turn.
    use_bytes(std::vector<uint8_t>(10000, 1));
    quad_layer(-1.0);
    // The calm root hatches some quads, so the layer paints by depth: look at
    // the quads in the order they stack.
    std::vector<Painted> quads;
    for (const Painted& p : painted_in_stacking_order())
        if (p.mode == GL_QUADS) quads.push_back(p);
    ASSERT_EQ(quads.size(), 5440u);
    // The root's 2nd, 3rd and 4th children start at P2, P3 and P4; each
    // depth-1 subtree holds 340 quads.
    auto expect_at = [](const Painted& q, Vec2 p) {
        EXPECT_NEAR(q.v[0].first, p.x, 1e-6f);
        EXPECT_NEAR(q.v[0].second, p.y, 1e-6f);
    };
    expect_at(quads[0], kTopLeft);
    EXPECT_TRUE(quads[0].hatched);
    expect_at(quads[340], Vec2(0.2f, 0.5f));
    expect_at(quads[680], Vec2(0.5f, 0.5f));
    expect_at(quads[1020], Vec2(0.5f, 0.2f));
}

TEST_F(QuadTest, NodeThatDoesNotSplit)
{
    // AND 7 == 0 at depth 3: no quad, no children, a white cross at a.
    // Stipple changes reach GL at the next primitive or flush (draw/gl_state.h),
    // so what a node leaves is checked after the flush the layer ends with.
    use_bytes({8, 1, 1, 1, 1});
    glEnable(GL_POLYGON_STIPPLE);
    lazy_layer_start();
    quad_node(kTopLeft, TOP_RIGHT, 3);
    EXPECT_EQ(choice_cursor, 1);
    EXPECT_EQ(glrec::batches_of(GL_QUADS).size(), 0u);
    ASSERT_EQ(glrec::batches_of(GL_LINES).size(), 1u);
    expect_cross(glrec::nth(GL_LINES, 0), kTopLeft, 1.0f);
    lazy_flush();
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));

    // Elsewhere it draws nothing at all.
    glrec::reset();
    use_bytes({0xf0, 1});
    choice_cursor = 0;
    quad_node(kTopLeft, TOP_RIGHT, 2);
    EXPECT_EQ(choice_cursor, 1);
    EXPECT_EQ(glrec::batches().size(), 0u);

    // Depth 6 takes no byte; it only ends the stipple.
    glrec::reset();
    choice_cursor = 0;
    glEnable(GL_POLYGON_STIPPLE);
    lazy_layer_start();
    quad_node(kTopLeft, TOP_RIGHT, 6);
    EXPECT_EQ(choice_cursor, 0);
    EXPECT_EQ(glrec::batches().size(), 0u);
    lazy_flush();
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
}

TEST_F(QuadTest, CalmDepthTwoQuadIsHatchedWithACentreCross)
{
    // Sum 2 + (-3) + 1 = 0: w = 0. The children stop at depth 3.
    use_bytes({1, 0, 0, 0, 0});
    subdiv_time = -3.0f;
    quad_node(kTopLeft, TOP_RIGHT, 2);

    ASSERT_EQ(glrec::batches_of(GL_QUADS).size(), 1u);
    const auto& quad = glrec::nth(GL_QUADS, 0);
    EXPECT_TRUE(quad.at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FLOAT_EQ(quad.vertices[0].color.r, 0.4f);
    // Sides of half the edge: a, a + r/2, then + v/2, and the midpoint.
    expect_near(quad.vertices[0], kTopLeft);
    expect_near(quad.vertices[1], Vec2(0.2f, 0.5f));
    expect_near(quad.vertices[2], Vec2(0.5f, 0.5f));
    expect_near(quad.vertices[3], Vec2(0.5f, 0.2f));

    const auto lines = glrec::batches_of(GL_LINES);
    ASSERT_EQ(lines.size(), 5u);
    expect_cross(lines[0], Vec2(0.35f, 0.35f), 0.0f);
    // The four depth-3 children stop and mark their start points.
    expect_cross(lines[1], kTopLeft, 1.0f);
    expect_cross(lines[2], Vec2(0.2f, 0.5f), 1.0f);
    expect_cross(lines[3], Vec2(0.5f, 0.5f), 1.0f);
    expect_cross(lines[4], Vec2(0.5f, 0.2f), 1.0f);
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
}

TEST_F(QuadTest, WobbleOfExactlyPointTwoIsNotCalm)
{
    // Times for which 2 + t + 1, summed in floats, gives sin exactly -0.2f
    // and, one step lower, just inside the calm band.
    const float t_edge = 0x1.5f2e7p-2f;
    const float t_inside = 0x1.5f2e6p-2f;
    ASSERT_EQ(std::fabs(static_cast<float>(std::sin(static_cast<double>(2.0f + t_edge + 1.0f)))), 0.2f);
    ASSERT_LT(std::fabs(static_cast<float>(std::sin(static_cast<double>(2.0f + t_inside + 1.0f)))), 0.2f);

    use_bytes({1, 0, 0, 0, 0});
    subdiv_time = t_edge;
    quad_node(kTopLeft, TOP_RIGHT, 2);
    EXPECT_FALSE(glrec::nth(GL_QUADS, 0).at_begin.is_on(GL_POLYGON_STIPPLE));
    for (const auto& line : glrec::batches_of(GL_LINES)) EXPECT_EQ(line.vertices[0].color.r, 1.0f);
    EXPECT_EQ(glrec::batches_of(GL_LINES).size(), 4u);

    glrec::reset();
    choice_cursor = 0;
    subdiv_time = t_inside;
    quad_node(kTopLeft, TOP_RIGHT, 2);
    EXPECT_TRUE(glrec::nth(GL_QUADS, 0).at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_EQ(glrec::batches_of(GL_LINES).size(), 5u);
    EXPECT_EQ(glrec::nth(GL_LINES, 0).vertices[0].color.r, 0.0f);
}

TEST_F(QuadTest, StippleRunsDownTheFirstChildChainOnly)
{
    // Depth 1 calm (sum 1 - 2 + 1 = 0); its depth-2 children are not
    // (sum 2 - 2 + 1 = 1) and their children stop at depth 3.
    use_bytes({1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    subdiv_time = -2.0f;
    quad_node(kTopLeft, TOP_RIGHT, 1);
    const auto quads = glrec::batches_of(GL_QUADS);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_TRUE(quads[0].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(quads[1].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(quads[2].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(quads[3].at_begin.is_on(GL_POLYGON_STIPPLE));
    // Only a depth-2 node's own calm earns a centre cross.
    for (const auto& line : glrec::batches_of(GL_LINES)) EXPECT_EQ(line.vertices[0].color.r, 1.0f);
    EXPECT_EQ(choice_cursor, 21);
}

TEST_F(QuadTest, StippleIsOffAfterEverySubtree)
{
    quad_layer(0.0);  // the real table
    for (int start = 0; start < 200; start += 7) {
        for (int depth = 0; depth <= 6; ++depth) {
            glEnable(GL_POLYGON_STIPPLE);
            lazy_layer_start();
            choice_cursor = start;
            subdiv_time = 0.37f * static_cast<float>(start);
            quad_node(Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f), depth);
            lazy_flush();
            EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE)) << start << " " << depth;
        }
    }
}

TEST_F(QuadTest, HatchedAndPlainQuadsStackAsIfDrawnInOrder)
{
    // The real table at times where some quads are hatched and most are not.
    for (double t : {0.0, 1.3, 2.9, 4.4}) {
        glrec::reset();
        quad_layer(t);
        const auto layer = painted_in_stacking_order();
        const glrec::Rgba last_colour = glrec::color();
        EXPECT_FALSE(glrec::enabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
        const size_t depth_tests = calls_with("glEnable", GL_DEPTH_TEST);

        const auto reference = drawn_in_order(t);
        ASSERT_EQ(layer.size(), reference.size()) << t;
        size_t hatched = 0;
        for (size_t i = 0; i < layer.size(); ++i) {
            EXPECT_TRUE(same(layer[i], reference[i])) << "t " << t << " primitive " << i;
            hatched += layer[i].hatched;
        }
        // Mixed frames take the two passes; the colour left is the last primitive's.
        ASSERT_GT(hatched, 0u) << t;
        ASSERT_LT(hatched, layer.size()) << t;
        EXPECT_EQ(depth_tests, 1u);
        EXPECT_EQ(last_colour.r, reference.back().color.r);
        EXPECT_EQ(last_colour.g, reference.back().color.g);
        for (size_t i = 1; i < layer.size(); ++i) ASSERT_LT(layer[i - 1].z, layer[i].z);
    }
}

TEST_F(QuadTest, WithoutADepthBufferOrWithBlendingItDrawsInOrder)
{
    for (bool blending : {false, true}) {
        quad_allow_depth_order_for_test(blending);
        glrec::reset();
        if (blending) glEnable(GL_BLEND);
        quad_layer(1.3);
        EXPECT_EQ(calls_with("glEnable", GL_DEPTH_TEST), 0u);
        EXPECT_EQ(glrec::count("glVertex3f"), 0u);
        const auto layer = painted_in_stacking_order();
        const auto reference = drawn_in_order(1.3);
        ASSERT_EQ(layer.size(), reference.size());
        for (size_t i = 0; i < layer.size(); ++i) EXPECT_TRUE(same(layer[i], reference[i])) << i;
    }
}

}  // namespace
