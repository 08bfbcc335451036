// The seven primitive shapes, checked on the recorded OpenGL stream.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "draw/shapes.h"
#include "support/gl_recorder.h"

namespace {

using glrec::Vertex;

constexpr float kHexPhase = 1.0471976f;
constexpr double kWedge = 0.15707964f;

class Shapes : public ::testing::Test {
protected:
    void SetUp() override { glrec::reset(); }
};

// Runs one caller-opened shape inside its own glBegin/glEnd and returns its vertices.
template <class Fn>
std::vector<Vertex> inside(GLenum mode, Fn&& shape)
{
    glrec::reset();
    glBegin(mode);
    shape();
    glEnd();
    return glrec::nth(mode, 0).vertices;
}

// Shoelace area of a polygon in drawing coordinates (positive = clockwise on screen).
double signed_area(const std::vector<Vertex>& v, size_t first, size_t n)
{
    double a = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vertex& p = v[first + i];
        const Vertex& q = v[first + (i + 1) % n];
        a += double(p.x) * q.y - double(q.x) * p.y;
    }
    return a / 2;
}

TEST_F(Shapes, VertexCountsFollowSegments)
{
    struct Case {
        int segments;
        size_t band, disc, outline;
    };
    for (const Case c : {Case{0, 0, 0, 0}, Case{-3, 0, 0, 0}, Case{6, 24, 18, 12}, Case{20, 80, 60, 40}}) {
        SCOPED_TRACE(c.segments);
        EXPECT_EQ(inside(GL_QUADS, [&] { arc_band(0.1f, 0.2f, 0.5f, 0.5f, c.segments, 0, 1); }).size(), c.band);
        EXPECT_EQ(inside(GL_TRIANGLES, [&] { filled_disc(0.1f, 0.5f, 0.5f, c.segments, 0); }).size(), c.disc);
        EXPECT_EQ(inside(GL_LINES, [&] { circle_outline(0.1f, 0.5f, 0.5f, c.segments, 0); }).size(), c.outline);
    }
    EXPECT_EQ(inside(GL_LINES, [] { cross_mark(0.1f, 0.5f, 0.5f); }).size(), 4u);
    EXPECT_EQ(inside(GL_LINES, [] { centered_rect_outline(0.1f, 0.1f); }).size(), 8u);
}

// Corners at 60-degree steps from 60 degrees: corners left and right, flat top and bottom.
TEST_F(Shapes, HexagonWithSixtyDegreePhaseHasFlatTopAndBottom)
{
    const float r = 0.05f, cx = 0.4f, cy = 0.6f;
    const float edge = r * 0.8660254f;
    for (const auto& verts : {inside(GL_LINES, [&] { circle_outline(r, cx, cy, 6, kHexPhase); }),
                              inside(GL_TRIANGLES, [&] { filled_disc(r, cx, cy, 6, kHexPhase); })}) {
        float min_y = 1e9f, max_y = -1e9f;
        int on_top = 0, on_bottom = 0, at_right = 0;
        for (const Vertex& v : verts) {
            if (v.x == cx && v.y == cy) continue;  // fan centre
            min_y = std::min(min_y, v.y);
            max_y = std::max(max_y, v.y);
            on_top += std::fabs(v.y - (cy - edge)) < 1e-6f;
            on_bottom += std::fabs(v.y - (cy + edge)) < 1e-6f;
            at_right += std::fabs(v.x - (cx + r)) < 1e-6f && std::fabs(v.y - cy) < 1e-6f;
        }
        // No corner pokes above or below the two flat edges.
        EXPECT_NEAR(min_y, cy - edge, 1e-6f);
        EXPECT_NEAR(max_y, cy + edge, 1e-6f);
        EXPECT_GE(on_top, 2);
        EXPECT_GE(on_bottom, 2);
        EXPECT_GE(at_right, 1);
    }
    // The first corner lies at the phase angle: below and right of the centre.
    const auto outline = inside(GL_LINES, [&] { circle_outline(r, cx, cy, 6, kHexPhase); });
    EXPECT_NEAR(outline[0].x, cx + r * 0.5f, 1e-6f);
    EXPECT_NEAR(outline[0].y, cy + edge, 1e-6f);
    // Segments join: each ends where the next begins, the last closes on the first.
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(outline[2 * i + 1].x, outline[(2 * i + 2) % 12].x, 1e-6f);
        EXPECT_NEAR(outline[2 * i + 1].y, outline[(2 * i + 2) % 12].y, 1e-6f);
    }
}

TEST_F(Shapes, GradientDiscWedgesColoursAndBlending)
{
    const Color3 centre(0.9f, 0.8f, 0.7f), rim(0.1f, 0.2f, 0.3f);
    gradient_disc(0.0, 0.2f, centre, rim, true, 0.5f, 0.5f);
    ASSERT_EQ(glrec::batch_count(), 1u);
    const glrec::Batch& b = glrec::nth(GL_TRIANGLES, 0);
    ASSERT_EQ(b.vertices.size(), 60u);
    EXPECT_TRUE(b.at_begin.is_on(GL_BLEND));
    EXPECT_EQ(b.at_begin.blend_src, GLenum(GL_ONE));
    EXPECT_EQ(b.at_begin.blend_dst, GLenum(GL_ONE));

    // First wedge at t = 0: from angle 0 (right of the centre) to just below it.
    EXPECT_FLOAT_EQ(b.vertices[0].x, 0.5f);
    EXPECT_FLOAT_EQ(b.vertices[0].y, 0.5f);
    EXPECT_FLOAT_EQ(b.vertices[0].color.r, 0.9f);
    EXPECT_FLOAT_EQ(b.vertices[1].x, 0.7f);
    EXPECT_FLOAT_EQ(b.vertices[1].y, 0.5f);
    EXPECT_FLOAT_EQ(b.vertices[1].color.r, 0.1f);
    EXPECT_NEAR(b.vertices[2].x, 0.5 + 0.2 * std::cos(kWedge), 1e-6);
    EXPECT_NEAR(b.vertices[2].y, 0.5 + 0.2 * std::sin(kWedge), 1e-6);
    EXPECT_GT(b.vertices[2].y, 0.5f);
    EXPECT_FLOAT_EQ(b.vertices[2].color.b, 0.3f);
    // Wedge i starts at 2 i w: half of the disc is filled, gaps between.
    EXPECT_NEAR(b.vertices[3 * 5 + 1].x, 0.5 + 0.2 * std::cos(10 * kWedge), 1e-6);
    EXPECT_NEAR(b.vertices[3 * 5 + 1].y, 0.5 + 0.2 * std::sin(10 * kWedge), 1e-6);

    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_FLOAT_EQ(glrec::color().g, 0.2f);              // left at the rim colour
    EXPECT_EQ(glrec::state().blend_src, GLenum(GL_ONE));  // blend function not reset
}

TEST_F(Shapes, GradientDiscLeavesBlendingOffWhateverItFound)
{
    glEnable(GL_BLEND);
    gradient_disc(0.0, 0.2f, Color3(1, 1, 1), Color3(0, 0, 0), false, 0.5f, 0.5f);
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
    EXPECT_EQ(glrec::count("glBlendFunc"), 0u);

    glrec::reset();
    gradient_disc(0.0, 0.2f, Color3(1, 1, 1), Color3(0, 0, 0), false, 0.5f, 0.5f);
    EXPECT_FALSE(glrec::nth(GL_TRIANGLES, 0).at_begin.is_on(GL_BLEND));
    EXPECT_FALSE(glrec::enabled(GL_BLEND));
}

TEST_F(Shapes, NegativeRadiusMirrorsThroughTheCentre)
{
    const float cx = 0.3f, cy = 0.6f;
    gradient_disc(0.7, 0.25f, Color3(1, 1, 1), Color3(0, 0, 0), true, cx, cy);
    gradient_disc(0.7, -0.25f, Color3(1, 1, 1), Color3(0, 0, 0), true, cx, cy);
    const auto& pos = glrec::nth(GL_TRIANGLES, 0).vertices;
    const auto& neg = glrec::nth(GL_TRIANGLES, 1).vertices;
    ASSERT_EQ(neg.size(), 60u);
    for (size_t i = 0; i < 60; ++i) {
        EXPECT_NEAR(neg[i].x - cx, -(pos[i].x - cx), 1e-6f) << i;
        EXPECT_NEAR(neg[i].y - cy, -(pos[i].y - cy), 1e-6f) << i;
    }
}

TEST_F(Shapes, ArcBandWithReversedAnglesCoversTheSameSectorBackwards)
{
    const auto fwd = inside(GL_QUADS, [] { arc_band(0.1f, 0.2f, 0.5f, 0.5f, 5, 0.0f, 1.0f); });
    const auto rev = inside(GL_QUADS, [] { arc_band(0.1f, 0.2f, 0.5f, 0.5f, 5, 1.0f, 0.0f); });
    ASSERT_EQ(fwd.size(), 20u);
    ASSERT_EQ(rev.size(), 20u);
    // Forward quad: Pa(th0), Pa(th1), Pb(th1), Pb(th0). Reversed quad i is forward
    // quad 4 - i with its two angles swapped.
    const size_t swap_angles[4] = {1, 0, 3, 2};
    for (size_t q = 0; q < 5; ++q) {
        for (size_t k = 0; k < 4; ++k) {
            const Vertex& r = rev[4 * q + k];
            const Vertex& f = fwd[4 * (4 - q) + swap_angles[k]];
            EXPECT_NEAR(r.x, f.x, 1e-6f);
            EXPECT_NEAR(r.y, f.y, 1e-6f);
        }
        EXPECT_LT(signed_area(rev, 4 * q, 4) * signed_area(fwd, 4 * q, 4), 0.0) << q;
    }
    // Forward from angle 0: first corner on the inner radius right of the centre,
    // the band runs clockwise on screen (downward first).
    EXPECT_FLOAT_EQ(fwd[0].x, 0.6f);
    EXPECT_FLOAT_EQ(fwd[0].y, 0.5f);
    EXPECT_GT(fwd[1].y, 0.5f);
    EXPECT_FLOAT_EQ(fwd[3].x, 0.7f);

    const auto flat = inside(GL_QUADS, [] { arc_band(0.1f, 0.2f, 0.5f, 0.5f, 4, 0.5f, 0.5f); });
    ASSERT_EQ(flat.size(), 16u);
    for (size_t q = 0; q < 4; ++q) EXPECT_NEAR(signed_area(flat, 4 * q, 4), 0.0, 1e-12);
}

TEST_F(Shapes, CrossAndCentredRectangle)
{
    const auto cross = inside(GL_LINES, [] { cross_mark(0.1f, 0.3f, 0.5f); });
    const float want_cross[4][2] = {{0.2f, 0.5f}, {0.4f, 0.5f}, {0.3f, 0.4f}, {0.3f, 0.6f}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(cross[i].x, want_cross[i][0]) << i;
        EXPECT_FLOAT_EQ(cross[i].y, want_cross[i][1]) << i;
    }
    const auto square = inside(GL_LINES, [] { centered_rect_outline(0.25f, 0.25f); });
    // Top, right, bottom, left edges, each as one segment.
    const float want[8][2] = {{0.25f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.75f},
                              {0.75f, 0.75f}, {0.25f, 0.75f}, {0.25f, 0.75f}, {0.25f, 0.25f}};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(square[i].x, want[i][0]) << i;
        EXPECT_FLOAT_EQ(square[i].y, want[i][1]) << i;
    }
}

TEST_F(Shapes, TexturedQuadUprightAtZeroAndTurnedCounterClockwise)
{
    textured_quad(0.4f, 0.2f, 0.5f, 0.5f, 42, 0.0f);
    const glrec::Batch upright = glrec::nth(GL_QUADS, 0);
    EXPECT_TRUE(upright.at_begin.is_on(GL_TEXTURE_2D));
    EXPECT_EQ(upright.at_begin.texture, 42u);
    ASSERT_EQ(upright.vertices.size(), 4u);
    // c1 carries texture (1, 0): the picture's top right.
    EXPECT_EQ(upright.vertices[1].s, 1.0f);
    EXPECT_EQ(upright.vertices[1].t, 0.0f);
    EXPECT_FLOAT_EQ(upright.vertices[1].x, 0.7f);
    EXPECT_FLOAT_EQ(upright.vertices[1].y, 0.4f);
    EXPECT_FLOAT_EQ(upright.vertices[0].x, 0.3f);  // c0, texture (0, 0), top left
    EXPECT_FLOAT_EQ(upright.vertices[0].y, 0.4f);
    EXPECT_FALSE(glrec::enabled(GL_TEXTURE_2D));
    EXPECT_EQ(glrec::state().texture, 42u);  // stays bound

    glrec::reset();
    textured_quad(0.4f, 0.2f, 0.5f, 0.5f, 42, 1.5707964f);
    const glrec::Batch turned = glrec::nth(GL_QUADS, 0);
    // A quarter turn counter-clockwise: the top right corner moves to the top left,
    // and the panel now stands 0.2 wide and 0.4 high.
    EXPECT_NEAR(turned.vertices[1].x, 0.4f, 1e-6f);
    EXPECT_NEAR(turned.vertices[1].y, 0.3f, 1e-6f);
    EXPECT_NEAR(turned.vertices[0].x, 0.4f, 1e-6f);  // c0 at bottom left
    EXPECT_NEAR(turned.vertices[0].y, 0.7f, 1e-6f);
    EXPECT_NEAR(turned.vertices[2].x, 0.6f, 1e-6f);  // c2 at top right
    EXPECT_NEAR(turned.vertices[2].y, 0.3f, 1e-6f);
    EXPECT_FALSE(glrec::enabled(GL_TEXTURE_2D));
    EXPECT_EQ(glrec::count("glColor3f"), 0u);
}

}  // namespace
