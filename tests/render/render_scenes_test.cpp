// Real frames of the panel scene (orders 4 to 6), the grid scene (order 7) and
// the arc rings (orders 12 to 15) through draw_frame, saved under render-out/.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/base/demo_data.h"
#include "core/panel_scenes.h"
#include "core/schedule.h"
#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "effects/arc_rings.h"
#include "effects/branch_walkers.h"
#include "render/render_harness.h"

namespace {

// Drawing coordinates to pixels: one unit is 640 pixels, y 0.125 is the top row.
int px(double x) { return static_cast<int>(x * 640.0); }
int py(double y) { return static_cast<int>((y - 0.125) * 640.0); }

int lit(const RgbImage& img, double x0, double y0, double x1, double y1)
{
    return count_lit(img, px(x0), py(y0), px(x1), py(y1));
}
double lit_share(const RgbImage& img, double x0, double y0, double x1, double y1)
{
    const double area = double(px(x1) - px(x0)) * double(py(y1) - py(y0));
    return lit(img, x0, y0, x1, y1) / area;
}

// Red well above green and blue: the grid's red-tinted cows are dim, since
// their blend (1 - src colour, src colour) over black gives at most a quarter.
bool reddish(const uint8_t* p) { return p[0] > 12 && p[0] > 2 * p[1] + 6 && p[0] > 2 * p[2] + 6; }

double reddish_share(const RgbImage& img, double x0, double y0, double x1, double y1)
{
    int n = 0;
    for (int y = py(y0); y < py(y1); ++y)
        for (int x = px(x0); x < px(x1); ++x) n += reddish(img.at(x, y));
    return n / (double(px(x1) - px(x0)) * double(py(y1) - py(y0)));
}

void open_display()
{
    ASSERT_TRUE(render_open(640, 480)) << "no offscreen OpenGL display";
    render_load_textures();
}

// Frames of one order at 60 per second ending at t_end: the first one enters
// the order (and wipes older walkers); walkers spawn in each of them; the
// music kicks the levels just before the last one.
RgbImage play_order(int order, int frames, float t_end)
{
    const float t0 = t_end - static_cast<float>(frames - 1) / 60.0f;
    for (int i = 0; i < frames; ++i) {
        st(sync_state.walker_spawn, true);
        if (i == frames - 1) {
            sync_apply_instrument(role::kick, 0);   // beat
            sync_apply_instrument(role::snare, 0);  // ring burst
        }
        draw_frame(order, t0 + static_cast<float>(i) / 60.0f, 0);
    }
    glFinish();
    return render_read();
}

std::string name_of(const char* scene, int order)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s_order%02d", scene, order);
    return buf;
}

TEST(RenderScenes, PanelSceneOrders4To6ShowStripCowAndRings)
{
    open_display();
    float t = 5.0f;
    for (int order = 4; order <= 6; ++order) {
        if (order == 5) sync_apply_instrument(role::crash, 0);  // reposition before order 5
        const RgbImage img = play_order(order, 30, t);
        t += 1.0f;
        render_save_png(img, name_of("panel_scene", order));
        EXPECT_GT(drawn_walkers.size(), 20u);

        // The strip: 0.4 x 0.1 around (panel_x, 0.7) is mostly picture.
        EXPECT_GT(lit_share(img, panel_x - 0.18, 0.66, panel_x + 0.18, 0.74), 0.5) << order;
        // The ring burst up and to the right of the cow: warm pixels in its box.
        int warm = 0;
        const double rx = panel_x + 0.175, ry = 0.5;
        for (int y = py(ry - 0.045); y < py(ry + 0.045); ++y)
            for (int x = px(rx - 0.045); x < px(rx + 0.045); ++x) {
                const uint8_t* p = img.at(x, y);
                warm += p[0] > 150 && p[0] > p[2] + 40;
            }
        EXPECT_GT(warm, 60) << order;
    }
}

TEST(RenderScenes, GridSceneOrder7ShowsRedCowsAndFixedPanel)
{
    open_display();
    st(sync_state.beat_count, 13);  // the last frame's beat makes 14: cells with k + l = 4 left out
    const float t = 20.0f;
    const RgbImage img = play_order(7, 30, t);
    render_save_png(img, name_of("grid_scene", 7));

    // Each fully visible cow centre away from the fixed strip is red-tinted.
    int cells = 0, red_cells = 0, gaps = 0, dark_gaps = 0;
    for (int k = 0; k < 5; ++k)
        for (int l = 0; l < 5; ++l) {
            const double u = std::fmod(k / 3.8 + 0.3 * t, 1.3) - 0.15;
            const double v = l / 6.0 + 0.1;
            const bool on_screen = u > 0.05 && u < 0.95 && v > 0.17 && v < 0.83;
            const bool under_strip = u > 0.06 && u < 0.54 && v > 0.41 && v < 0.59;
            if (!on_screen || under_strip) continue;
            const double share = reddish_share(img, u - 0.04, v - 0.04, u + 0.04, v + 0.04);
            if (k + l == 4) {
                ++gaps;
                dark_gaps += share < 0.05;
            } else {
                ++cells;
                red_cells += share > 0.25;
            }
        }
    EXPECT_GE(cells, 8);
    EXPECT_GE(red_cells * 5, cells * 4) << red_cells << " of " << cells;
    EXPECT_GE(gaps, 1);
    EXPECT_EQ(dark_gaps, gaps);
    // The order-7 fixed strip at (0.3, 0.5).
    EXPECT_GT(lit_share(img, 0.12, 0.46, 0.48, 0.54), 0.5);
}

TEST(RenderScenes, ArcRingsOrders12To15CircleTheirCentre)
{
    open_display();
    for (int order = 12; order <= 15; ++order) {
        // Ends where ring 7 is at full red: cos(1.51 t) = 1.
        const float t = static_cast<float>(2.0 * 3.14159265358979 * (order - 2) / 1.51);
        const RgbImage img = play_order(order, 30, t);
        render_save_png(img, name_of("arc_rings", order));
        const Vec2 c = arc_centre;
        // Ring 7 spans radii 0.27 to 0.6 around the centre: strong red in a band
        // just outside 0.3, nothing drawn by the rings inside radius 0.1.
        int band = 0, band_area = 0, inner = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const double dx = x / 640.0 - c.x, dy = y / 640.0 + 0.125 - c.y;
                const double r = std::sqrt(dx * dx + dy * dy);
                const uint8_t* p = img.at(x, y);
                const bool red = p[0] > 100 && p[1] < 60 && p[2] < 60;
                if (r > 0.3 && r < 0.33) {
                    ++band_area;
                    band += red;
                }
                const bool in_strip = x >= px(0.3) && x < px(0.7) && y >= py(0.65) && y < py(0.75);
                if (r < 0.1 && !in_strip) inner += red;
            }
        EXPECT_GT(band, band_area / 3) << order;
        EXPECT_LT(inner, 200) << order;  // no ring reaches inside 0.13
        // The late fixed strip at (0.5, 0.7), drawn last.
        EXPECT_GT(lit_share(img, 0.32, 0.66, 0.68, 0.74), 0.5) << order;
    }
}

}  // namespace
