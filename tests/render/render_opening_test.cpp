// Real frames of the intro and of orders 0 to 3 (petal rings, pulsing squares,
// flicker lines) through draw_frame, saved under render-out/, each layer with a
// pixel check that a blank or mirrored layer would fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/base/random.h"
#include "core/schedule.h"
#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "effects/flicker_lines.h"
#include "effects/intro_spinner.h"
#include "effects/petal_rings.h"
#include "render/render_harness.h"

namespace {

// Drawing coordinates to pixels: one unit is 640 pixels, y 0.125 is the top row.
int px(double x) { return static_cast<int>(x * 640.0); }
int py(double y) { return static_cast<int>((y - 0.125) * 640.0); }

int lit(const RgbImage& img, double x0, double y0, double x1, double y1)
{
    return count_lit(img, px(x0), py(y0), px(x1), py(y1));
}

const uint8_t* pixel(const RgbImage& img, double x, double y) { return img.at(px(x), py(y)); }

// Pixels in the box whose every channel is above 200 (the crosses; the petals never are).
int white(const RgbImage& img, double x0, double y0, double x1, double y1)
{
    int n = 0;
    for (int y = py(y0); y < py(y1); ++y)
        for (int x = px(x0); x < px(x1); ++x) {
            const uint8_t* p = img.at(x, y);
            n += p[0] > 200 && p[1] > 200 && p[2] > 200;
        }
    return n;
}

// A pure red line pixel (the squares); the petals' browns always carry green.
bool line_red(const uint8_t* p) { return p[0] > 40 && p[1] < 10 && p[2] < 10; }

void open_display() { ASSERT_TRUE(render_open(640, 480)) << "no offscreen OpenGL display"; }

RgbImage finish()
{
    glFinish();
    return render_read();
}

std::string order_name(int order)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "opening_order%02d", order);
    return buf;
}

TEST(RenderOpening, IntroArchOpensOverTheTop)
{
    open_display();
    set_intro_projection();
    draw_intro_frame([] { return 3.0; });
    const RgbImage img = finish();
    render_save_png(img, "intro_t3");
    // Straight above the centre (0.5, 0.65): the outer band red, the inner purple.
    const uint8_t* outer = pixel(img, 0.5, 0.65 - 0.36);
    EXPECT_GT(outer[0], 200);
    EXPECT_LT(outer[1] + outer[2], 40);
    const uint8_t* inner = pixel(img, 0.5, 0.65 - 0.21);
    EXPECT_NEAR(inner[0], 128, 10);
    EXPECT_NEAR(inner[2], 128, 10);
    // The arch lies above its centre line; below it the screen stays black.
    EXPECT_GT(lit(img, 0.1, 0.28, 0.9, 0.64), 20000);
    EXPECT_EQ(lit(img, 0.1, 0.66, 0.9, 0.87), 0);
    // At clock 3.0 it runs from the right-hand side to 0.14 rad short of the left.
    EXPECT_GT(lit(img, 0.84, 0.60, 0.87, 0.645), 100);
    EXPECT_EQ(lit(img, 0.13, 0.63, 0.16, 0.645), 0);
}

// True when (x, y) lies inside one of the wedges gradient_disc draws for petal i.
bool in_petal_wedge(double t, int i, double x, double y)
{
    const double along = std::cos(i + t + ld(sync_state.petal_phase));
    const double cx = along * 0.5 + 0.5, cy = along * 0.1 + 0.5;
    const double r = std::cos(2.1329 * t + i) + 0.4;
    // A negative radius mirrors through the centre: same as a turn by pi.
    double dx = x - cx, dy = y - cy;
    if (r < 0) dx = -dx, dy = -dy;
    if (dx * dx + dy * dy > r * r) return false;
    const double w = 0.15707964f;
    const double a = std::atan2(dy, dx) - t * 1.321 * 0.3;
    const double in_pair = std::fmod(std::fmod(a, 2 * w) + 2 * w, 2 * w);
    return in_pair < w;
}

TEST(RenderOpening, Orders0To3ShowPetalsSquaresAndCrosses)
{
    open_display();
    sync_reset_for_test();
    // Order 1 at t = pi: square 0 in full red (cos(2t)^2 = 1).
    const float times[4] = {2.0f, 3.1415927f, 3.0f, 3.5f};
    for (int order = 0; order <= 3; ++order) {
        SCOPED_TRACE(order);
        const float t = times[order];
        // Order 0: petals only; 1: the pulse; 2: the crosses; 3: everything.
        for (auto& level : sync_state.petal_level) st(level, order == 0 || order == 3 ? 1.0f : 0.0f);
        st(sync_state.pulse, order == 1 || order == 3 ? 1.0f : 0.0f);
        st(sync_state.flicker_level, order >= 2 ? 1.0f : 0.0f);
        flicker_mask = 0x007;  // crosses at x = 0, 0.1, 0.2 only: left of centre
        draw_frame(order, t, 0);
        const RgbImage img = finish();
        render_save_png(img, order_name(order));

        if (order == 0) {
            // Petals: stippled to columns 0..7 and 9..15 of every 32-pixel tile,
            // and only inside the wedges where the discs really are.
            int outside = 0, inside = 0, banned_columns = 0;
            for (int y = 0; y < img.height; y += 2)
                for (int x = 0; x < img.width; ++x) {
                    const uint8_t* p = img.at(x, y);
                    if (p[0] + p[1] + p[2] <= 60) continue;
                    const int col = x % 32;
                    banned_columns += col == 8 || col >= 16;
                    const double dx = (x + 0.5) / 640.0, dy = (y + 0.5) / 640.0 + 0.125;
                    bool covered = false;
                    for (int i = 0; i < 3 && !covered; ++i) covered = in_petal_wedge(t, i, dx, dy);
                    (covered ? inside : outside) += 1;
                }
            std::printf("petal pixels: %d inside wedges, %d outside\n", inside, outside);
            EXPECT_EQ(banned_columns, 0);
            EXPECT_GT(inside, 5000);
            EXPECT_LT(outside, inside / 50);  // wedge edges only
        }
        if (order == 1) {
            // Squares: square 0 (half size cos(0 + 4.3252 t) 0.05 + 0.25) in red
            // cos(2t)^2 along its top edge; no square inside half size 0.2.
            const double s0 = std::cos(static_cast<float>(4.3252 * t)) * 0.05 + 0.25;
            const double k0 = std::cos(static_cast<float>(2 * t));
            int red_on_edge = 0, red_inside = 0;
            for (int x = px(0.5 - s0 + 0.01); x < px(0.5 + s0 - 0.01); ++x)
                for (int dy = -1; dy <= 1; ++dy) red_on_edge += line_red(img.at(x, py(0.5 - s0) + dy));
            for (int y = py(0.32); y < py(0.68); ++y)
                for (int x = px(0.32); x < px(0.68); ++x) red_inside += line_red(img.at(x, y));
            std::printf("square 0: half size %.4f, red %.3f, %d red pixels on its top edge\n", s0, k0 * k0,
                        red_on_edge);
            EXPECT_GT(red_on_edge, px(2 * s0 - 0.02) / 2);
            EXPECT_EQ(red_inside, 0);
        }
        if (order >= 2) {
            // Crosses only at x = 0, 0.1, 0.2 on y = 0.5: white there, none on the right.
            EXPECT_GT(white(img, 0.09, 0.49, 0.11, 0.51), 4);
            EXPECT_GT(white(img, 0.05, 0.45, 0.25, 0.55), 40);
            if (order == 2) {
                EXPECT_EQ(white(img, 0.55, 0.45, 1.0, 0.55), 0);  // petals dim
            }
        }
        if (order == 3) {
            EXPECT_GT(lit(img, 0, 0.125, 1, 0.875), 10000);
        }
    }
}

}  // namespace
