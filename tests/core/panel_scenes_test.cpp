#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "core/base/demo_data.h"
#include "core/base/random.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "core/panel_scenes.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

using Cell = std::pair<int, int>;

struct Centre {
    float x = 0, y = 0;
};

Centre centre_of(const glrec::Batch& b)
{
    Centre c;
    for (const auto& v : b.vertices) {
        c.x += v.x;
        c.y += v.y;
    }
    c.x /= static_cast<float>(b.vertices.size());
    c.y /= static_cast<float>(b.vertices.size());
    return c;
}

float width_of(const glrec::Batch& b) { return b.vertices[1].x - b.vertices[0].x; }
float height_of(const glrec::Batch& b) { return b.vertices[2].y - b.vertices[1].y; }

// Distance of each ring's first vertex from the burst centre (20 segments, 2 vertices each).
std::vector<float> ring_radii(const glrec::Batch& lines, Centre c)
{
    std::vector<float> radii;
    for (size_t i = 0; i < lines.vertices.size(); i += 40)
        radii.push_back(std::hypot(lines.vertices[i].x - c.x, lines.vertices[i].y - c.y));
    return radii;
}

class PanelScenes : public ::testing::Test {
protected:
    uint32_t saved[kTextureCount];
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
        for (int i = 0; i < kTextureCount; ++i) {
            saved[i] = TextureTable[i];
            TextureTable[i] = 100 + i;  // texture name = 100 + index
        }
    }
    void TearDown() override
    {
        for (int i = 0; i < kTextureCount; ++i) TextureTable[i] = saved[i];
    }
};

// --- panel scene ---

TEST_F(PanelScenes, StartsWithPaintart4StripAndCowAboveAtCentre)
{
    st(sync_state.beat_level, 1.0f);
    panel_scene(0.0);

    ASSERT_EQ(glrec::batches_of(GL_QUADS).size(), 2u);
    const glrec::Batch& strip = glrec::nth(GL_QUADS, 0);
    EXPECT_EQ(strip.at_begin.texture, 103u);
    EXPECT_FALSE(strip.at_begin.is_on(GL_BLEND));
    EXPECT_FLOAT_EQ(strip.at_begin.color.g, 1.0f);
    EXPECT_FLOAT_EQ(centre_of(strip).x, 0.5f);
    EXPECT_FLOAT_EQ(centre_of(strip).y, 0.7f);
    EXPECT_FLOAT_EQ(width_of(strip), 0.4f);
    EXPECT_FLOAT_EQ(height_of(strip), 0.1f);

    // The cow swells by beat_level * 0.1 and is stamped with the inverting blend.
    const glrec::Batch& cow = glrec::nth(GL_QUADS, 1);
    EXPECT_EQ(cow.at_begin.texture, 106u);
    EXPECT_TRUE(cow.at_begin.is_on(GL_BLEND));
    EXPECT_EQ(cow.at_begin.blend_src, GLenum(GL_ONE_MINUS_SRC_COLOR));
    EXPECT_EQ(cow.at_begin.blend_dst, GLenum(GL_SRC_COLOR));
    EXPECT_NEAR(centre_of(cow).x, 0.5f, 1e-6);
    EXPECT_NEAR(centre_of(cow).y, 0.6f, 1e-6);
    EXPECT_NEAR(width_of(cow), 0.5f, 1e-6);
    EXPECT_NEAR(height_of(cow), 0.5f, 1e-6);

    const glrec::Batch& rings = glrec::nth(GL_LINES, 0);
    EXPECT_EQ(rings.vertices.size(), 120u);
    EXPECT_NEAR(centre_of(rings).x, 0.675f, 1e-5);
    EXPECT_NEAR(centre_of(rings).y, 0.5f, 1e-5);
    EXPECT_TRUE(rings.at_begin.is_on(GL_BLEND));
    EXPECT_EQ(rings.at_begin.blend_src, GLenum(GL_ONE));
    EXPECT_EQ(rings.at_begin.blend_dst, GLenum(GL_ONE));

    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_FALSE(glrec::enabled(GL_TEXTURE_2D));
    EXPECT_EQ(demo_rand_count(), 0u);
}

TEST_F(PanelScenes, RepositionSpansQuarterToThreeQuartersAndCyclesStrips)
{
    const struct {
        int r;
        float x;
        GLuint strip;
    } cases[] = {{0, 0.25f, 104}, {32767, 0.75f, 105}, {16384, 0.5000076f, 103}, {8192, 0.3750038f, 104}};
    for (const auto& c : cases) {
        glrec::reset();
        st(sync_state.reposition_flag, true);
        demo_rand_queue_for_test({c.r});
        panel_scene(0.0);
        EXPECT_NEAR(panel_x, c.x, 2e-6) << c.r;
        EXPECT_FALSE(ld(sync_state.reposition_flag));
        EXPECT_EQ(glrec::nth(GL_QUADS, 0).at_begin.texture, c.strip) << c.r;
        EXPECT_NEAR(centre_of(glrec::nth(GL_QUADS, 1)).x, c.x, 2e-6);
        EXPECT_NEAR(centre_of(glrec::nth(GL_LINES, 0)).x, c.x + 0.175f, 1e-5);
    }
    EXPECT_EQ(panel_count, 4);
    EXPECT_EQ(demo_rand_count(), 4u);
    EXPECT_FLOAT_EQ(panel_y, 0.7f);
}

TEST_F(PanelScenes, TwoRequestsBeforeTheSceneMoveItOnce)
{
    sync_apply_instrument(role::crash, 0);
    sync_apply_instrument(role::crash, 0);
    panel_scene(0.0);
    panel_scene(0.0);
    EXPECT_EQ(panel_count, 1);
    EXPECT_EQ(demo_rand_count(), 1u);
}

TEST_F(PanelScenes, RingBurstFreshIsSmallAndWarmFadedIsWideAndBlack)
{
    st(sync_state.ring_level, 1.0f);
    panel_scene(0.0);
    const glrec::Batch fresh = glrec::nth(GL_LINES, 0);
    const auto r1 = ring_radii(fresh, {0.675f, 0.5f});
    ASSERT_EQ(r1.size(), 3u);
    EXPECT_NEAR(r1[0], 0.02f, 1e-6);
    EXPECT_NEAR(r1[1], 0.03f, 1e-6);
    EXPECT_NEAR(r1[2], 0.04f, 1e-6);
    EXPECT_FLOAT_EQ(fresh.at_begin.color.r, 1.0f);
    EXPECT_FLOAT_EQ(fresh.at_begin.color.g, 0.7f);
    EXPECT_FLOAT_EQ(fresh.at_begin.color.b, 0.5f);
    EXPECT_FLOAT_EQ(fresh.at_begin.color.a, 1.0f);

    glrec::reset();
    st(sync_state.ring_level, 0.0f);
    panel_scene(0.0);
    const glrec::Batch faded = glrec::nth(GL_LINES, 0);
    const auto r0 = ring_radii(faded, {0.675f, 0.5f});
    EXPECT_NEAR(r0[0], 0.04f, 1e-6);
    EXPECT_NEAR(r0[1], 0.05f, 1e-6);
    EXPECT_NEAR(r0[2], 0.06f, 1e-6);
    EXPECT_EQ(faded.at_begin.color.r, 0.0f);
    EXPECT_EQ(faded.at_begin.color.g, 0.0f);
    EXPECT_EQ(faded.at_begin.color.b, 0.0f);
}

TEST_F(PanelScenes, PanelDecayUsesItsOwnStoreAfterDrawing)
{
    // First call from the -1.0 store: dt = 1.5 s.
    st(sync_state.beat_level, 1.0f);
    st(sync_state.ring_level, 1.0f);
    panel_scene(0.5);
    EXPECT_NEAR(width_of(glrec::nth(GL_QUADS, 1)), 0.5f, 1e-6);  // drawn before the decay
    EXPECT_NEAR(ld(sync_state.beat_level), std::pow(0.01, 1.5), 1e-9);
    EXPECT_NEAR(ld(sync_state.ring_level), std::pow(0.001, 1.5), 1e-9);
    EXPECT_EQ(panel_last_time, 0.5);

    // Same time again: nothing more.
    st(sync_state.beat_level, 1.0f);
    panel_scene(0.5);
    EXPECT_FLOAT_EQ(ld(sync_state.beat_level), 1.0f);

    panel_scene(1.0);
    EXPECT_NEAR(ld(sync_state.beat_level), 0.1f, 1e-6);
}

// --- grid scene ---

// Cell of a cow centre at t = 0: column centres fmod(k / 3.8, 1.3) - 0.15, rows l / 6 + 0.1.
Cell cell_at(Centre c)
{
    for (int k = 0; k < 5; ++k)
        for (int l = 0; l < 5; ++l) {
            const double u = std::fmod(k / 3.8, 1.3) - 0.15;
            const double v = l / 6.0 + 0.1;
            if (std::fabs(c.x - u) < 1e-4 && std::fabs(c.y - v) < 1e-4) return {k, l};
        }
    ADD_FAILURE() << "no cell at " << c.x << ", " << c.y;
    return {-1, -1};
}

// Drawn cells in drawing order; each is two cow quads.
std::vector<Cell> drawn_cells()
{
    std::vector<Cell> cells;
    const auto quads = glrec::batches_of(GL_QUADS);
    for (size_t i = 0; i < quads.size(); i += 2) {
        EXPECT_EQ(quads[i].at_begin.texture, 106u);
        EXPECT_FLOAT_EQ(quads[i].at_begin.color.g, 0.0f);
        cells.push_back(cell_at(centre_of(quads[i])));
        EXPECT_EQ(cell_at(centre_of(quads[i + 1])), cells.back());
    }
    return cells;
}

std::set<Cell> all_cells_but(std::set<Cell> left_out)
{
    std::set<Cell> s;
    for (int k = 0; k < 5; ++k)
        for (int l = 0; l < 5; ++l)
            if (!left_out.count({k, l})) s.insert({k, l});
    return s;
}

TEST_F(PanelScenes, GridLeavesOutTheBeatDiagonal)
{
    const struct {
        int beats;
        std::set<Cell> left_out;
    } cases[] = {
        {9, {}}, {19, {}}, {4, {{0, 4}, {1, 3}, {2, 2}, {3, 1}, {4, 0}}}, {0, {{0, 0}}}, {10, {{0, 0}}},
    };
    for (const auto& c : cases) {
        glrec::reset();
        st(sync_state.beat_count, c.beats);
        grid_scene(0.0);
        const auto cells = drawn_cells();
        EXPECT_EQ(std::set<Cell>(cells.begin(), cells.end()), all_cells_but(c.left_out)) << c.beats;
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(cells.front(), (c.beats % 10 == 0 ? Cell{0, 1} : Cell{0, 0}));  // k outer, l inner
        EXPECT_EQ(cells.back(), (Cell{4, 4}));
    }
}

TEST_F(PanelScenes, GridColumnsScrollRightAndWrap)
{
    st(sync_state.beat_count, 9);
    grid_scene(2.5);  // 0.75 along: column 0 at 0.6, column 3 at fmod(1.539, 1.3) - 0.15
    const auto quads = glrec::batches_of(GL_QUADS);
    ASSERT_EQ(quads.size(), 50u);
    EXPECT_NEAR(centre_of(quads[0]).x, 0.6f, 1e-5);
    EXPECT_NEAR(centre_of(quads[30]).x, std::fmod(3 / 3.8 + 0.75, 1.3) - 0.15, 1e-5);
    EXPECT_NEAR(centre_of(quads[9]).y, 4 / 6.0 + 0.1, 1e-5);
}

TEST_F(PanelScenes, GridHatchesOnlyTheCellMatchingTheBeat)
{
    const struct {
        int beats;
        std::set<Cell> hatched;
    } cases[] = {{3, {{0, 2}}}, {6, {{0, 4}}}, {0, {}}, {9, {}}, {5, {}}};
    for (const auto& c : cases) {
        glrec::reset();
        st(sync_state.beat_count, c.beats);
        grid_scene(0.0);
        const auto cells = drawn_cells();
        const auto quads = glrec::batches_of(GL_QUADS);
        std::set<Cell> hatched;
        for (size_t i = 0; i < quads.size(); ++i) {
            if (quads[i].at_begin.is_on(GL_POLYGON_STIPPLE)) hatched.insert(cells[i / 2]);
            EXPECT_TRUE(quads[i].at_begin.is_on(GL_BLEND));
            EXPECT_EQ(quads[i].at_begin.blend_src, GLenum(GL_ONE_MINUS_SRC_COLOR));
        }
        EXPECT_EQ(hatched, c.hatched) << c.beats;
        EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    }
    uint8_t diagonal[128];
    build_diagonal_stipple(diagonal);
    EXPECT_TRUE(std::equal(diagonal, diagonal + 128, glrec::stipple().begin()));
}

TEST_F(PanelScenes, GridRingBurstsFollowTheRingCounter)
{
    const struct {
        int rings, beats;
        std::set<Cell> bursts;
    } cases[] = {
        {0, 9, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {5, 4, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {2, 0}, {3, 0}}},  // (0,4), (4,0) left out
        {1, 9, {{1, 1}, {2, 3}, {3, 2}, {4, 4}}},
        {6, 2, {{2, 3}, {3, 2}, {4, 4}}},  // (1, 1) left out
    };
    for (const auto& c : cases) {
        glrec::reset();
        st(sync_state.ring_count, c.rings);
        st(sync_state.beat_count, c.beats);
        st(sync_state.ring_level, 1.0f);
        grid_scene(0.0);
        std::set<Cell> bursts;
        for (const auto& b : glrec::batches_of(GL_LINES)) {
            EXPECT_EQ(b.vertices.size(), 120u);
            const Centre rc = centre_of(b);
            bursts.insert(cell_at({rc.x - 0.072f, rc.y + 0.025f}));
        }
        EXPECT_EQ(bursts, c.bursts) << "rings " << c.rings << " beats " << c.beats;
    }
}

TEST_F(PanelScenes, GridDecaysOnceInTheFirstDrawnCell)
{
    st(sync_state.beat_count, 0);  // (0, 0) left out: (0, 1) is first
    st(sync_state.beat_level, 1.0f);
    st(sync_state.ring_level, 1.0f);
    grid_scene(0.5);  // dt = 1.5 from the -1.0 store
    const auto quads = glrec::batches_of(GL_QUADS);
    EXPECT_NEAR(width_of(quads[0]), 0.25f, 1e-6);  // first drawn cell: level before the decay
    EXPECT_NEAR(width_of(quads[1]), 0.15f, 1e-6);
    EXPECT_NEAR(width_of(quads[2]), 0.15f + 0.1 * std::pow(0.01, 1.5), 1e-6);
    EXPECT_NEAR(width_of(quads[quads.size() - 2]), 0.15f + 0.1 * std::pow(0.01, 1.5), 1e-6);
    EXPECT_NEAR(ld(sync_state.beat_level), std::pow(0.01, 1.5), 1e-9);
    EXPECT_NEAR(ld(sync_state.ring_level), std::pow(0.0001, 1.5), 1e-12);
    EXPECT_EQ(grid_last_time, 0.5f);
}

TEST_F(PanelScenes, GridLeavesAdditiveBlendOnIntoFixedPanelWhenLastCellHasNoBurst)
{
    const struct {
        int rings, beats;
        bool blend_on;
    } cases[] = {
        {0, 9, true},   // last cell (4, 4): 16 mod 5 = 1, no burst
        {1, 9, false},  // (4, 4) bursts and switches blending off
        {2, 8, false},  // (4, 4) left out; (4, 3): 12 mod 5 = 2 bursts
        {1, 8, true},   // (4, 4) left out; (4, 3) has no burst
    };
    for (const auto& c : cases) {
        glrec::reset();
        st(sync_state.ring_count, c.rings);
        st(sync_state.beat_count, c.beats);
        grid_scene(0.0);
        fixed_panel(0, 0.3f, 0.5f);
        const auto quads = glrec::batches_of(GL_QUADS);
        const glrec::Batch& panel = quads.back();
        EXPECT_EQ(panel.at_begin.texture, 100u);
        EXPECT_FLOAT_EQ(panel.at_begin.color.g, 1.0f);  // white after the red cows
        EXPECT_NEAR(centre_of(panel).x, 0.3f, 1e-6);
        EXPECT_NEAR(centre_of(panel).y, 0.5f, 1e-6);
        EXPECT_NEAR(width_of(panel), 0.4f, 1e-6);
        EXPECT_EQ(panel.at_begin.is_on(GL_BLEND), c.blend_on) << c.rings << " " << c.beats;
        if (c.blend_on) {
            EXPECT_EQ(panel.at_begin.blend_src, GLenum(GL_ONE));
            EXPECT_EQ(panel.at_begin.blend_dst, GLenum(GL_ONE));
        }
        EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    }
}

TEST_F(PanelScenes, RepositionConsumedByGridNeverReachesPanelScene)
{
    st(sync_state.reposition_flag, true);
    grid_scene(0.0);
    EXPECT_FALSE(ld(sync_state.reposition_flag));
    panel_scene(0.1f);
    EXPECT_EQ(panel_x, 0.5f);
    EXPECT_EQ(panel_count, 0);
    EXPECT_EQ(demo_rand_count(), 0u);
}

}  // namespace
