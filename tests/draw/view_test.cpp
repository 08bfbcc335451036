// The letterboxed viewport: the whole 4:3 view at any drawable size, centred,
// nothing cut.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "draw/view.h"
#include "support/gl_recorder.h"

namespace {

void expect_rect(const ViewRect& r, int x, int y, int width, int height)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(Letterbox, FourByThreeDrawablesAreFilledExactly)
{
    expect_rect(letterbox(640, 480), 0, 0, 640, 480);
    expect_rect(letterbox(1024, 768), 0, 0, 1024, 768);
}

TEST(Letterbox, WideDrawablesGetEqualBarsAtTheSides)
{
    expect_rect(letterbox(1280, 720), 160, 0, 960, 720);
    // 768 * 4 / 3 = 1024; the odd pixel left over goes to the right bar.
    expect_rect(letterbox(1366, 768), 171, 0, 1024, 768);
}

TEST(Letterbox, TallDrawablesGetEqualBarsAtTopAndBottom)
{
    expect_rect(letterbox(640, 640), 0, 80, 640, 480);
    expect_rect(letterbox(16, 4096), 0, 2042, 16, 12);
}

TEST(Letterbox, NeverLeavesTheDrawableAndKeepsFourByThree)
{
    for (int w = 1; w <= 300; w += 7)
        for (int h = 1; h <= 300; h += 11) {
            const ViewRect r = letterbox(w, h);
            ASSERT_GE(r.x, 0);
            ASSERT_GE(r.y, 0);
            ASSERT_LE(r.x + r.width, w);
            ASSERT_LE(r.y + r.height, h);
            // Centred to the pixel, and one side touches the drawable's edges.
            ASSERT_LE(std::abs((w - r.width) - 2 * r.x), 1);
            ASSERT_LE(std::abs((h - r.height) - 2 * r.y), 1);
            ASSERT_TRUE(r.width == w || r.height == h) << w << "x" << h;
            // Integer rounding keeps the shape within a pixel of 4:3.
            ASSERT_LE(std::abs(r.width * 3 - r.height * 4), 4) << w << "x" << h;
        }
}

TEST(Letterbox, EmptyOrNegativeSizesGiveAnEmptyRectAndHugeOnesDoNotOverflow)
{
    expect_rect(letterbox(0, 480), 0, 0, 0, 0);
    expect_rect(letterbox(640, -1), 0, 0, 0, 0);
    const ViewRect r = letterbox(INT_MAX, INT_MAX);
    EXPECT_EQ(r.width, INT_MAX);
    EXPECT_EQ(r.height, static_cast<int>(static_cast<long long>(INT_MAX) * 3 / 4));
}

TEST(SetViewport, ViewportAndScissorBothHoldTheLetterbox)
{
    glrec::reset();
    set_viewport(1280, 720);
    const std::vector<double> box{160, 0, 960, 720};
    std::vector<double> viewport, scissor;
    bool scissor_on = false;
    for (const glrec::Call& c : glrec::calls()) {
        if (c.name == "glViewport") viewport = c.args;
        if (c.name == "glScissor") scissor = c.args;
        if (c.name == "glEnable" && c.args == std::vector<double>{GL_SCISSOR_TEST}) scissor_on = true;
    }
    EXPECT_EQ(viewport, box);
    EXPECT_EQ(scissor, box);
    EXPECT_TRUE(scissor_on);

    // A 4:3 drawable has no bars to keep clear: no scissor test to pay for.
    glrec::reset();
    set_viewport(640, 480);
    bool enabled = false, disabled = false;
    for (const glrec::Call& c : glrec::calls()) {
        if (c.name == "glEnable" && c.args == std::vector<double>{GL_SCISSOR_TEST}) enabled = true;
        if (c.name == "glDisable" && c.args == std::vector<double>{GL_SCISSOR_TEST}) disabled = true;
    }
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(disabled);
}

}  // namespace
