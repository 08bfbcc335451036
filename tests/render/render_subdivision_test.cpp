// The recursive layers on real OpenGL: frames of orders 8 to 11 (triangles)
// and 16 to 20 (quads) saved as PNG under render-out/, with a coarse pixel
// check each, and the frame time printed for reference.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "core/schedule.h"
#include "draw/gl.h"
#include "effects/choice_table.h"
#include "effects/quad_subdivision.h"
#include "effects/triangle_subdivision.h"
#include "render/render_harness.h"
#include "support/fresh_demo.h"

namespace {

class SubdivisionRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!render_open()) GTEST_SKIP() << "no offscreen OpenGL display";
        static bool textures_tried = false;
        if (!textures_tried) {
            textures_tried = true;
            // The loader ends the process on a missing file; without the
            // generated pictures the cow panels simply stay blank.
            bool all_there = true;
            for (int i = 0; i < kTextureCount; ++i)
                all_there &= std::filesystem::exists(std::filesystem::path(DRENSOLK_DATA_DIR) / kPictureFiles[i]);
            if (all_there)
                render_load_textures();
            else
                std::printf("[ render ] pictures not generated yet; panels stay blank\n");
        }
        fresh_demo();
    }

    static std::string name_for(int order)
    {
        char name[32];
        std::snprintf(name, sizeof name, "subdivision_order_%02d", order);
        return name;
    }

    // Red-dominated pixels: the fills of both layers are pure red shades.
    static int count_red(const RgbImage& img, int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = img.at(x, y);
                n += p[0] > 60 && p[0] > p[1] + 40 && p[0] > p[2] + 40;
            }
        return n;
    }

    // Milliseconds per whole frame of `order`, averaged over `frames`.
    static double frame_ms(int order, float t0, int frames)
    {
        glFinish();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) draw_frame(order, t0 + 0.016f * static_cast<float>(i), 0);
        glFinish();
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        return spent.count() / frames;
    }
};

TEST_F(SubdivisionRender, TriangleOrdersShowTheRedTree)
{
    for (int order = 8; order <= 11; ++order) {
        // A different tree and beat per order: odd orders right after a beat.
        st(sync_state.jump_count, 3 * (order - 8));
        st(sync_state.beat_level, order % 2 ? 1.0f : 0.0f);
        const float t = 20.0f + 1.7f * static_cast<float>(order);
        draw_frame(order, t, 0);
        const RgbImage img = render_read();
        const std::string path = render_save_png(img, name_for(order));
        ASSERT_EQ(img.width, 640);
        // Inside the big triangle, right of the fixed picture: mostly red.
        const int inside = count_red(img, 360, 300, 560, 420);
        EXPECT_GT(inside, 200 * 120 / 10) << path;
        // Above the left slope, away from the panels' track: nothing red.
        EXPECT_EQ(count_red(img, 0, 0, 80, 60), 0) << path;
    }
    std::printf("[ timing ] order 8 (triangles + fixed panel): %.2f ms per frame\n", frame_ms(8, 60.0f, 60));
}

TEST_F(SubdivisionRender, QuadOrdersShowTheSwayingQuads)
{
    for (int order = 16; order <= 20; ++order) {
        st(sync_state.jump_count, 5 * (order - 16));
        const float t = 100.0f + 2.3f * static_cast<float>(order);
        draw_frame(order, t, 0);
        const RgbImage img = render_read();
        const std::string path = render_save_png(img, name_for(order));
        ASSERT_EQ(img.width, 640);
        // The trees grow from the square 0.2..0.8 (pixels 128..512, rows
        // 48..432) and sway well past it: red over a good part of the view,
        // and most of it around the square.
        const int all = count_red(img, 0, 0, 640, 480);
        EXPECT_GT(all, 640 * 480 / 8) << path;
        EXPECT_GT(count_red(img, 128, 48, 512, 432), all / 3) << path;
    }
    std::printf("[ timing ] order 16 (quads + fixed panel): %.2f ms per frame\n", frame_ms(16, 130.0f, 60));
}

TEST_F(SubdivisionRender, FullTreesOfBothLayersForTiming)
{
    // Every node splits: the most each layer can draw.
    ChoiceTable.assign(kChoiceFillSize, 7);
    triangle_needs_fill = false;
    quad_needs_fill = false;
    draw_frame(8, 1.0f, 0);
    const RgbImage tri = render_read();
    render_save_png(tri, "subdivision_full_triangles");
    EXPECT_GT(count_red(tri, 360, 300, 560, 420), 200 * 120 / 10);
    draw_frame(16, 1.0f, 0);
    const RgbImage quads = render_read();
    render_save_png(quads, "subdivision_full_quads");
    EXPECT_GT(count_red(quads, 0, 0, 640, 480), 640 * 480 / 4);

    std::printf("[ timing ] on %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf("[ timing ] full triangle tree (1093 fills and outlines): %.2f ms per frame\n", frame_ms(8, 2.0f, 60));
    std::printf("[ timing ] full quad tree (5440 quads): %.2f ms per frame\n", frame_ms(16, 2.0f, 60));
}

}  // namespace
