// The state cache: primitives see exactly the state the calls asked for, and
// changes that nothing is drawn under never reach OpenGL.
#include <gtest/gtest.h>

#include "draw/gl_state.h"
#include "support/gl_recorder.h"

namespace {

class LazyGlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        lazy_layer_start();
    }
    static size_t toggles() { return glrec::count("glEnable") + glrec::count("glDisable"); }
};

TEST_F(LazyGlTest, EachPrimitiveSeesTheStateLastAskedFor)
{
    lazy_enable(GL_POLYGON_STIPPLE);
    lazy_begin(GL_QUADS);
    glEnd();
    lazy_disable(GL_POLYGON_STIPPLE);
    lazy_enable(GL_BLEND);
    lazy_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    lazy_enable(GL_LINE_SMOOTH);
    lazy_begin(GL_LINES);
    glEnd();

    const auto& b = glrec::batches();
    ASSERT_EQ(b.size(), 2u);
    EXPECT_TRUE(b[0].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_FALSE(b[0].at_begin.is_on(GL_BLEND));
    EXPECT_FALSE(b[1].at_begin.is_on(GL_POLYGON_STIPPLE));
    EXPECT_TRUE(b[1].at_begin.is_on(GL_BLEND));
    EXPECT_TRUE(b[1].at_begin.is_on(GL_LINE_SMOOTH));
    EXPECT_EQ(b[1].at_begin.blend_src, static_cast<GLenum>(GL_SRC_ALPHA));
    EXPECT_EQ(b[1].at_begin.blend_dst, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
}

TEST_F(LazyGlTest, ChangesUndoneBeforeAPrimitiveNeverReachGl)
{
    lazy_disable(GL_POLYGON_STIPPLE);
    lazy_begin(GL_QUADS);
    glEnd();
    const size_t after_first = toggles();
    EXPECT_EQ(after_first, 1u);  // the first change of a capability is always sent
    for (int i = 0; i < 10; ++i) {
        lazy_enable(GL_POLYGON_STIPPLE);
        lazy_disable(GL_POLYGON_STIPPLE);
        lazy_begin(GL_QUADS);
        glEnd();
    }
    EXPECT_EQ(toggles(), after_first);
    lazy_blend_func(GL_ONE, GL_ONE);
    lazy_begin(GL_QUADS);
    glEnd();
    lazy_blend_func(GL_ONE, GL_ONE);
    lazy_begin(GL_QUADS);
    glEnd();
    EXPECT_EQ(glrec::count("glBlendFunc"), 1u);
}

TEST_F(LazyGlTest, FlushLeavesWhatWasAskedForLast)
{
    glEnable(GL_POLYGON_STIPPLE);  // left on by someone else
    lazy_layer_start();
    lazy_enable(GL_BLEND);
    lazy_disable(GL_POLYGON_STIPPLE);
    EXPECT_TRUE(glrec::enabled(GL_POLYGON_STIPPLE));  // nothing drawn, nothing sent yet
    lazy_flush();
    EXPECT_FALSE(glrec::enabled(GL_POLYGON_STIPPLE));
    EXPECT_TRUE(glrec::enabled(GL_BLEND));
}

TEST_F(LazyGlTest, StartForgetsWhatWasSent)
{
    lazy_enable(GL_BLEND);
    lazy_flush();
    glDisable(GL_BLEND);  // changed behind the cache's back, as another layer does
    lazy_layer_start();
    lazy_enable(GL_BLEND);
    lazy_flush();
    EXPECT_TRUE(glrec::enabled(GL_BLEND));
}

TEST_F(LazyGlTest, OtherCapabilitiesGoStraightThrough)
{
    lazy_enable(GL_TEXTURE_2D);
    EXPECT_TRUE(glrec::enabled(GL_TEXTURE_2D));
    lazy_disable(GL_TEXTURE_2D);
    EXPECT_FALSE(glrec::enabled(GL_TEXTURE_2D));
}

}  // namespace
