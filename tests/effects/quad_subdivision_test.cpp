// The quad trees: which nodes split, where the parallelogram lies, hatching
// along first children, and the two kinds of crosses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "effects/choice_table.h"
#include "effects/quad_subdivision.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

const Vec2 kTopLeft(0.2f, 0.2f), TOP_RIGHT(0.8f, 0.2f);

class QuadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
        quad_painter.depth_allowed = 1;  // as on the demo's 24-bit depth buffer
    }
    static void use_bytes(std::vector<uint8_t> bytes)
    {
        ChoiceTable = std::move(bytes);
        triangle_needs_fill = false;
        quad_needs_fill = false;
    }
};

void expect_near(Vec2 v, Vec2 p, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, p.x, tolerance);
    EXPECT_NEAR(v.y, p.y, tolerance);
}

// The recorded primitives of one kind, in drawing order.
std::vector<PaintedPrim> recorded(bool lines)
{
    std::vector<PaintedPrim> out;
    for (const PaintedPrim& p : quad_painter.prims)
        if (p.lines == lines) out.push_back(p);
    return out;
}

// The four ends of a cross of half-length 0.01 at p, horizontal arm first.
void expect_cross(const PaintedPrim& c, Vec2 p, float shade)
{
    EXPECT_TRUE(c.lines);
    expect_near(c.v[0], Vec2(p.x - 0.01f, p.y));
    expect_near(c.v[1], Vec2(p.x + 0.01f, p.y));
    expect_near(c.v[2], Vec2(p.x, p.y - 0.01f));
    expect_near(c.v[3], Vec2(p.x, p.y + 0.01f));
    EXPECT_EQ(c.r, shade);
    EXPECT_EQ(c.g, shade);
}

// One primitive as it lands on the screen.
struct Painted {
    GLenum mode;
    bool hatched;
    glrec::Rgba color;
    std::vector<std::pair<float, float>> v;
    float z;
};

bool same(const Painted& a, const PaintedPrim& b)
{
    if (a.mode != (b.lines ? GL_LINES : GL_QUADS) || a.color.r != b.r || a.color.g != b.g || a.color.b != b.b ||
        a.v.size() != 4)
        return false;
    // Lines ignore the stipple; a quad must be hatched as recorded.
    if (!b.lines && a.hatched != b.hatched) return false;
    for (int i = 0; i < 4; ++i)
        if (a.v[i].first != b.v[i].x || a.v[i].second != b.v[i].y) return false;
    return true;
}

// The recorded batches cut into primitives of four vertices (a quad or a
// cross), in the order their pixels stack up: with the depth test on, a
// nearer z (larger here, the view looks down -z) wins whatever the call order.
std::vector<Painted> painted_in_stacking_order()
{
    std::vector<Painted> out;
    for (const glrec::Batch& b : glrec::batches()) {
        EXPECT_EQ(b.vertices.size() % 4, 0u);
        for (size_t first = 0; first + 4 <= b.vertices.size(); first += 4) {
            Painted p{b.mode, b.at_begin.is_on(GL_POLYGON_STIPPLE), b.vertices[first].color, {}, b.vertices[first].z};
            for (size_t i = first; i < first + 4; ++i) {
                p.v.emplace_back(b.vertices[i].x, b.vertices[i].y);
                EXPECT_EQ(b.vertices[i].z, p.z);
            }
            out.push_back(p);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Painted& a, const Painted& b) { return a.z < b.z; });
    return out;
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

    std::vector<Painted> quads;
    for (const Painted& p : painted_in_stacking_order())
        if (p.mode == GL_QUADS) quads.push_back(p);
    ASSERT_EQ(quads.size(), 5440u);
    EXPECT_EQ(choice_cursor, 2 + 5460);

    int by_depth[6] = {};
    for (const auto& q : quads) {
        const int depth = static_cast<int>(std::lround(q.color.r / 0.2f));
        ASSERT_TRUE(depth >= 2 && depth <= 5) << q.color.r;
        EXPECT_FLOAT_EQ(q.color.r, 0.2f * depth);
        ++by_depth[depth];
    }
    EXPECT_EQ(by_depth[2], 64);
    EXPECT_EQ(by_depth[3], 256);
    EXPECT_EQ(by_depth[4], 1024);
    EXPECT_EQ(by_depth[5], 4096);

    // Each root's 1360 quads start at its own corner: top, right, bottom, left.
    const Vec2 starts[4] = {kTopLeft, TOP_RIGHT, Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f)};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(quads[1360 * r].v[0].first, starts[r].x);
        EXPECT_EQ(quads[1360 * r].v[0].second, starts[r].y);
    }

    for (const auto& b : glrec::batches()) EXPECT_FALSE(b.at_begin.is_on(GL_BLEND));
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
    // AND 7 == 0 at depth 3: no quad, no children, a white cross at a, and
    // the hatching ends.
    use_bytes({8, 1, 1, 1, 1});
    quad_hatching = true;
    quad_node(kTopLeft, TOP_RIGHT, 3);
    EXPECT_EQ(choice_cursor, 1);
    EXPECT_EQ(recorded(false).size(), 0u);
    ASSERT_EQ(recorded(true).size(), 1u);
    expect_cross(recorded(true)[0], kTopLeft, 1.0f);
    EXPECT_TRUE(recorded(true)[0].hatched);
    EXPECT_FALSE(quad_hatching);
    EXPECT_EQ(glrec::calls().size(), 0u);  // recorded only

    // Elsewhere it records nothing at all.
    quad_reset_for_test();
    use_bytes({0xf0, 1});
    choice_cursor = 0;
    quad_node(kTopLeft, TOP_RIGHT, 2);
    EXPECT_EQ(choice_cursor, 1);
    EXPECT_EQ(quad_painter.prims.size(), 0u);

    // Depth 6 takes no byte; it only ends the hatching.
    choice_cursor = 0;
    quad_hatching = true;
    quad_node(kTopLeft, TOP_RIGHT, 6);
    EXPECT_EQ(choice_cursor, 0);
    EXPECT_EQ(quad_painter.prims.size(), 0u);
    EXPECT_FALSE(quad_hatching);
}

TEST_F(QuadTest, CalmDepthTwoQuadIsHatchedWithACentreCross)
{
    // Sum 2 + (-3) + 1 = 0: w = 0. The children stop at depth 3.
    use_bytes({1, 0, 0, 0, 0});
    subdiv_time = -3.0f;
    quad_node(kTopLeft, TOP_RIGHT, 2);

    const auto quads = recorded(false);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_TRUE(quads[0].hatched);
    EXPECT_FLOAT_EQ(quads[0].r, 0.4f);
    // Sides of half the edge: a, a + r/2, then + v/2, and the midpoint.
    expect_near(quads[0].v[0], kTopLeft);
    expect_near(quads[0].v[1], Vec2(0.2f, 0.5f));
    expect_near(quads[0].v[2], Vec2(0.5f, 0.5f));
    expect_near(quads[0].v[3], Vec2(0.5f, 0.2f));

    const auto lines = recorded(true);
    ASSERT_EQ(lines.size(), 5u);
    expect_cross(lines[0], Vec2(0.35f, 0.35f), 0.0f);
    // The four depth-3 children stop and mark their start points.
    expect_cross(lines[1], kTopLeft, 1.0f);
    expect_cross(lines[2], Vec2(0.2f, 0.5f), 1.0f);
    expect_cross(lines[3], Vec2(0.5f, 0.5f), 1.0f);
    expect_cross(lines[4], Vec2(0.5f, 0.2f), 1.0f);
    EXPECT_FALSE(quad_hatching);
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
    EXPECT_FALSE(recorded(false).at(0).hatched);
    for (const auto& line : recorded(true)) EXPECT_EQ(line.r, 1.0f);
    EXPECT_EQ(recorded(true).size(), 4u);

    quad_reset_for_test();
    choice_cursor = 0;
    subdiv_time = t_inside;
    quad_node(kTopLeft, TOP_RIGHT, 2);
    EXPECT_TRUE(recorded(false).at(0).hatched);
    EXPECT_EQ(recorded(true).size(), 5u);
    EXPECT_EQ(recorded(true).at(0).r, 0.0f);
}

TEST_F(QuadTest, StippleRunsDownTheFirstChildChainOnly)
{
    // Depth 1 calm (sum 1 - 2 + 1 = 0); its depth-2 children are not
    // (sum 2 - 2 + 1 = 1) and their children stop at depth 3.
    use_bytes({1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    subdiv_time = -2.0f;
    quad_node(kTopLeft, TOP_RIGHT, 1);
    const auto quads = recorded(false);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_TRUE(quads[0].hatched);
    EXPECT_FALSE(quads[1].hatched);
    EXPECT_FALSE(quads[2].hatched);
    EXPECT_FALSE(quads[3].hatched);
    // Only a depth-2 node's own calm earns a centre cross.
    for (const auto& line : recorded(true)) EXPECT_EQ(line.r, 1.0f);
    EXPECT_EQ(choice_cursor, 21);
}

TEST_F(QuadTest, StippleIsOffAfterEverySubtree)
{
    quad_layer(0.0);  // the real table
    for (int start = 0; start < 200; start += 7) {
        for (int depth = 0; depth <= 6; ++depth) {
            quad_hatching = true;
            choice_cursor = start;
            subdiv_time = 0.37f * static_cast<float>(start);
            quad_node(Vec2(0.8f, 0.8f), Vec2(0.2f, 0.8f), depth);
            EXPECT_FALSE(quad_hatching) << start << " " << depth;
        }
    }
}

TEST_F(QuadTest, HatchedAndPlainQuadsStackAsIfDrawnInOrder)
{
    // The real table at times where some quads are hatched and most are not.
    for (double t : {0.0, 1.3, 2.9, 4.4}) {
        glrec::reset();
        glDepthFunc(GL_GREATER);  // whatever the entry state, it comes back
        quad_layer(t);
        const auto layer = painted_in_stacking_order();
        const auto& reference = quad_painter.prims;  // the recording, in drawing order
        ASSERT_EQ(layer.size(), reference.size()) << t;
        size_t hatched = 0;
        for (size_t i = 0; i < layer.size(); ++i) {
            EXPECT_TRUE(same(layer[i], reference[i])) << "t " << t << " primitive " << i;
            hatched += layer[i].hatched;
        }
        // Mixed frames take the depth route: a few draws, each primitive
        // nearer than the one before, same-depth fragments passing.
        ASSERT_GT(hatched, 0u) << t;
        ASSERT_LT(hatched, layer.size()) << t;
        EXPECT_LE(glrec::batch_count(), 4u);
        for (const auto& b : glrec::batches()) {
            EXPECT_TRUE(b.arrays);
            EXPECT_TRUE(b.at_begin.is_on(GL_DEPTH_TEST));
            EXPECT_EQ(b.at_begin.depth_func, static_cast<GLenum>(GL_LEQUAL));
        }
        for (size_t i = 1; i < layer.size(); ++i) ASSERT_LT(layer[i - 1].z, layer[i].z);
        EXPECT_EQ(calls_with("glEnable", GL_DEPTH_TEST), 1u);
        // What it leaves: the entry's depth function, depth test and stipple
        // off, no client arrays, the last primitive's colour.
        EXPECT_EQ(glrec::state().depth_func, static_cast<GLenum>(GL_GREATER));
        EXPECT_FALSE(glrec::enabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
        EXPECT_EQ(calls_with("glEnableClientState", GL_VERTEX_ARRAY),
                  calls_with("glDisableClientState", GL_VERTEX_ARRAY));
        EXPECT_EQ(glrec::color().r, reference.back().r);
        EXPECT_EQ(glrec::color().g, reference.back().g);
    }
}

TEST_F(QuadTest, WithoutADepthBufferOrWithBlendingItDrawsInOrder)
{
    for (bool blending : {false, true}) {
        quad_reset_for_test();
        quad_painter.depth_allowed = blending ? 1 : 0;
        glrec::reset();
        if (blending) glEnable(GL_BLEND);
        quad_layer(1.3);
        EXPECT_EQ(calls_with("glEnable", GL_DEPTH_TEST), 0u);
        // Every primitive at z = 0, in the order recorded, each quad with
        // the stipple as recorded.
        const auto layer = painted_in_stacking_order();
        const auto& reference = quad_painter.prims;
        ASSERT_EQ(layer.size(), reference.size());
        for (size_t i = 0; i < layer.size(); ++i) {
            EXPECT_EQ(layer[i].z, 0.0f);
            EXPECT_TRUE(same(layer[i], reference[i])) << i;
        }
        EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    }
}

}  // namespace
