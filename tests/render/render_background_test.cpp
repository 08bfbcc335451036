// Real frames of orders 4 to 6 through draw_frame with the bars, dashes and
// squares switched on, saved under render-out/; then each background layer on
// its own with a pixel check that a blank or mirrored layer would fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include <SDL/SDL.h>

#include "core/base/demo_data.h"
#include "core/schedule.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "draw/gl.h"
#include "effects/hex_grid.h"
#include "effects/red_bars.h"
#include "effects/sliding_dashes.h"
#include "render/render_harness.h"

namespace {

int px(double x) { return static_cast<int>(x * 640.0); }
int py(double y) { return static_cast<int>((y - 0.125) * 640.0); }

int lit(const RgbImage& img, double x0, double y0, double x1, double y1)
{
    return count_lit(img, px(x0), py(y0), px(x1), py(y1));
}

RgbImage finish()
{
    glFinish();
    return render_read();
}

void open_display()
{
    ASSERT_TRUE(render_open(640, 480)) << "no offscreen OpenGL display";
    if (std::filesystem::exists(std::filesystem::path(DRENSOLK_DATA_DIR) / kPictureFiles[0]))
        render_load_textures();
    else
        std::printf("no pictures in %s: panels draw untextured\n", DRENSOLK_DATA_DIR);
}

// A layer alone on a cleared frame; `clear_white` shows what black layers cover.
template <class Draw>
RgbImage layer_alone(Draw&& draw, bool clear_white = false)
{
    if (clear_white) glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    set_projection();
    draw();
    return finish();
}

TEST(RenderBackground, Orders4To6WithBarsDashesAndSquares)
{
    open_display();
    sync_reset_for_test();
    for (int order = 4; order <= 6; ++order) {
        SCOPED_TRACE(order);
        sync_apply_instrument(role::kick, 0);  // beat: pulse, grid phase
        sync_apply_instrument(role::rim, 0);   // accent
        const float t = 30.0f + order;
        draw_frame(order, t, 0x7);  // bars, dashes, squares
        const RgbImage img = finish();
        char name[32];
        std::snprintf(name, sizeof name, "background_order%02d", order);
        render_save_png(img, name);
        EXPECT_GT(lit(img, 0, 0.125, 1, 0.875), 5000);
    }
}

// Bars at t = 0: bar i at x = (cos i + 1) / 2; the lit columns on the centre
// line match those of the bars whose red is clearly positive.
TEST(RenderBackground, RedBarsStandWhereTheyShould)
{
    open_display();
    const RgbImage img = layer_alone([] { draw_red_bars(0.0); });
    render_save_png(img, "layer_red_bars_t0");
    std::set<int> expected;
    for (int i = 0; i < 100; ++i) {
        const double x = (std::cos(double(i)) + 1) * 0.5, g = 2 * (x - 0.5) * (x - 0.5);
        if (std::cos(0.1 * i) + g > 0.3 && px(x) < 640) expected.insert(px(x));
    }
    int lit_expected = 0, lit_elsewhere = 0;
    const int row = py(0.5);
    for (int x = 0; x < 640; ++x) {
        if (img.at(x, row)[0] < 60) continue;
        const bool near = expected.count(x) || expected.count(x - 1) || expected.count(x + 1);
        (near ? lit_expected : lit_elsewhere) += 1;
    }
    std::printf("bars: %zu expected columns, %d lit there, %d lit elsewhere\n", expected.size(), lit_expected,
                lit_elsewhere);
    EXPECT_GT(lit_expected, static_cast<int>(expected.size()) / 2);
    EXPECT_LE(lit_elsewhere, 2);
    // Bar 1 (x 0.7702, red 1.15) runs from y 0.2584 to 0.7416: lit inside, dark past its ends.
    int inside = 0;
    for (int y = py(0.27); y < py(0.73); ++y)
        inside +=
            img.at(px(0.7702), y)[0] > 200 || img.at(px(0.7702) + 1, y)[0] > 200 || img.at(px(0.7702) - 1, y)[0] > 200;
    EXPECT_GT(inside, (py(0.73) - py(0.27)) * 9 / 10);
}

// Dashes at t = 0 on white: dash 4 (x 0.3..0.35, y 0.670..0.770) is black, its
// mirror images across the screen's centre lines are white; dash 2 starts at the
// left edge and dash 9 has wrapped off screen to x = -0.25.
TEST(RenderBackground, SlidingDashesCoverInBlack)
{
    open_display();
    const RgbImage img = layer_alone([] { draw_sliding_dashes(0.0); }, true);
    render_save_png(img, "layer_sliding_dashes_t0");
    const int box = (px(0.345) - px(0.305)) * (py(0.765) - py(0.675));
    EXPECT_EQ(lit(img, 0.305, 0.675, 0.345, 0.765), 0);
    EXPECT_GT(lit(img, 0.655, 0.675, 0.695, 0.765), box * 95 / 100);  // mirrored in x
    EXPECT_GT(lit(img, 0.305, 0.235, 0.345, 0.325), box * 95 / 100);  // mirrored in y
    const double d2 = 0.2 * std::sin(0.2542 * 2);
    EXPECT_EQ(lit(img, 0.0, d2 + 0.505, 0.045, d2 + 0.595), 0);
}

// Hex grid at phase 0, accent 0: the top-left cell shows hexagon and circle,
// cell (0, 2) nothing, cell (0, 6) a hexagon only.
// Off-screen RGBA target: the display here carries no destination alpha, and
// the hex grid's lines add min(1, 1 - destination alpha), so on it they add nothing.
class AlphaTarget {
public:
    AlphaTarget()
    {
        gen_fb = load<PFNGLGENFRAMEBUFFERSEXTPROC>("glGenFramebuffersEXT");
        bind_fb = load<PFNGLBINDFRAMEBUFFEREXTPROC>("glBindFramebufferEXT");
        gen_rb = load<PFNGLGENRENDERBUFFERSEXTPROC>("glGenRenderbuffersEXT");
        bind_rb = load<PFNGLBINDRENDERBUFFEREXTPROC>("glBindRenderbufferEXT");
        storage = load<PFNGLRENDERBUFFERSTORAGEEXTPROC>("glRenderbufferStorageEXT");
        attach = load<PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC>("glFramebufferRenderbufferEXT");
        status = load<PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC>("glCheckFramebufferStatusEXT");
        del_fb = load<PFNGLDELETEFRAMEBUFFERSEXTPROC>("glDeleteFramebuffersEXT");
        del_rb = load<PFNGLDELETERENDERBUFFERSEXTPROC>("glDeleteRenderbuffersEXT");
        if (!gen_fb || !bind_fb || !gen_rb || !bind_rb || !storage || !attach || !status || !del_fb || !del_rb) return;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
        gen_fb(1, &fbo);
        bind_fb(GL_FRAMEBUFFER_EXT, fbo);
        gen_rb(2, rb);
        bind_rb(GL_RENDERBUFFER_EXT, rb[0]);
        storage(GL_RENDERBUFFER_EXT, GL_RGBA8, 640, 480);
        attach(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT, rb[0]);
        bind_rb(GL_RENDERBUFFER_EXT, rb[1]);
        storage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, 640, 480);
        attach(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, rb[1]);
        ok = status(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    }
    ~AlphaTarget()
    {
        if (!fbo) return;
        bind_fb(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
        del_fb(1, &fbo);
        del_rb(2, rb);
    }
    bool ok = false;

private:
    template <class F>
    static F load(const char* name)
    {
        return reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    }
    PFNGLGENFRAMEBUFFERSEXTPROC gen_fb;
    PFNGLBINDFRAMEBUFFEREXTPROC bind_fb;
    PFNGLGENRENDERBUFFERSEXTPROC gen_rb;
    PFNGLBINDRENDERBUFFEREXTPROC bind_rb;
    PFNGLRENDERBUFFERSTORAGEEXTPROC storage;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC attach;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC status;
    PFNGLDELETEFRAMEBUFFERSEXTPROC del_fb;
    PFNGLDELETERENDERBUFFERSEXTPROC del_rb;
    GLint previous = 0;
    GLuint fbo = 0, rb[2] = {0, 0};
};

// Hex grid at phase 0, accent 0 on an RGBA target cleared to alpha 0: the
// top-left cell shows hexagon and circle, cell (0, 2) nothing, cell (0, 6) a
// hexagon only.
TEST(RenderBackground, HexGridCellsAtPhaseZero)
{
    open_display();
    AlphaTarget target;
    ASSERT_TRUE(target.ok) << "no RGBA framebuffer object";
    sync_reset_for_test();
    const RgbImage img = layer_alone([] { draw_hex_grid(0.0); });
    render_save_png(img, "layer_hex_grid_phase0");
    // The grid in its frame: bars, dashes and squares first write alpha 1, so
    // the grid shows only where they left the cleared alpha 0.
    sync_apply_instrument(role::rim, 0);
    draw_frame(4, 31.0f, 0x7);
    glFinish();
    render_save_png(render_read(), "background_order04_alpha");

    auto ring = [&](int i, int j, double r0, double r1) {
        const double cx = j / 12.4 + 0.25, cy = (i + ((j & 1) ? 0.5 : 0.0)) / 8.55 + 0.25;
        int n = 0;
        for (int y = py(cy - r1); y <= py(cy + r1); ++y)
            for (int x = px(cx - r1); x <= px(cx + r1); ++x) {
                const double dx = (x + 0.5) / 640.0 - cx, dy = (y + 0.5) / 640.0 + 0.125 - cy;
                const double r = std::sqrt(dx * dx + dy * dy);
                if (r >= r0 && r <= r1) n += img.at(x, y)[0] + img.at(x, y)[1] > 100;
            }
        return n;
    };
    const int hex00 = ring(0, 0, 0.041, 0.053), circle00 = ring(0, 0, 0.021, 0.029);
    const int hex02 = ring(0, 2, 0.041, 0.053), circle06 = ring(0, 6, 0.021, 0.029);
    const int hex06 = ring(0, 6, 0.041, 0.053);
    std::printf("hex grid: cell (0,0) hexagon %d circle %d; (0,2) hexagon %d; (0,6) hexagon %d circle %d\n", hex00,
                circle00, hex02, hex06, circle06);
    EXPECT_GT(hex00, 100);
    EXPECT_GT(circle00, 50);
    EXPECT_GT(hex06, 100);
    EXPECT_EQ(hex02, 0);
    EXPECT_EQ(circle06, 0);
}

}  // namespace
