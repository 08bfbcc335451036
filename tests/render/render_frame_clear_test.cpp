// The display's depth and stencil on real Mesa: both there, and both reset by
// the frame clear, so that it is the full clear of a packed depth-stencil
// buffer rather than a masked one that keeps the stencil.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "draw/gl.h"
#include "draw/view.h"
#include "render/render_harness.h"

TEST(FrameClear, ResetsDepthAndStencilTogether)
{
    constexpr int kWidth = 640, kHeight = 480;
    if (!render_open(kWidth, kHeight)) GTEST_SKIP() << "no offscreen OpenGL display";
    GLint depth_bits = 0, stencil_bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    glGetIntegerv(GL_STENCIL_BITS, &stencil_bits);
    EXPECT_GE(depth_bits, 24);
    ASSERT_EQ(stencil_bits, 8) << "the display was opened without the stencil it asks for";

    // Leave something in both, then clear as every frame starts.
    glClearDepth(0.25);
    glClearStencil(0x5a);
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glClearDepth(1.0);
    glClearStencil(0);
    clear_frame();

    std::vector<uint8_t> stencil(static_cast<size_t>(kWidth) * kHeight, 0xff);
    std::vector<float> depth(static_cast<size_t>(kWidth) * kHeight, 0.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, stencil.data());
    glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    EXPECT_EQ(std::count(stencil.begin(), stencil.end(), 0), static_cast<long>(stencil.size()));
    EXPECT_EQ(std::count(depth.begin(), depth.end(), 1.0f), static_cast<long>(depth.size()));
}
