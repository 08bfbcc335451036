// The quad layer's depth painting on real Mesa: with line and polygon
// smoothing on when the layer starts, every pixel's colour and destination
// alpha are those of drawing the recorded primitives one by one in order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "draw/depth_painter.h"
#include "draw/gl.h"
#include "effects/choice_table.h"
#include "effects/quad_subdivision.h"
#include "render/render_harness.h"
#include "support/fresh_demo.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

// The reference: one glBegin per recorded primitive, in order, the stipple
// switched as each was recorded.
void draw_in_order(const std::vector<PaintedPrim>& prims)
{
    for (const PaintedPrim& p : prims) {
        if (p.hatched)
            glEnable(GL_POLYGON_STIPPLE);
        else
            glDisable(GL_POLYGON_STIPPLE);
        glBegin(p.lines ? GL_LINES : GL_QUADS);
        glColor3f(p.r, p.g, p.b);
        for (const Vec2& v : p.v) v.emit_vertex();
        glEnd();
    }
    glDisable(GL_POLYGON_STIPPLE);
}

void start_frame(bool line_smooth, bool polygon_smooth)
{
    render_start_frame();
    glDisable(GL_DEPTH_TEST);
    if (line_smooth)
        glEnable(GL_LINE_SMOOTH);
    else
        glDisable(GL_LINE_SMOOTH);
    if (polygon_smooth)
        glEnable(GL_POLYGON_SMOOTH);
    else
        glDisable(GL_POLYGON_SMOOTH);
}

TEST(DepthPainterRender, SmoothedEntryStatesGiveThePixelsOfDrawingInOrder)
{
    if (!render_open(kWidth, kHeight)) GTEST_SKIP() << "no offscreen OpenGL display";
    GLint depth_bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    ASSERT_GE(depth_bits, 24);
    fresh_demo();

    for (const bool line_smooth : {false, true}) {
        for (const bool polygon_smooth : {false, true}) {
            int soft_alpha = 0;  // reference pixels that smoothing left partly covered
            for (const double t : {0.0, 1.3, 2.9}) {
                start_frame(line_smooth, polygon_smooth);
                quad_layer(t);
                const std::vector<uint8_t> painted = render_read_rgba();
                const std::vector<PaintedPrim> recording = quad_painter.prims;
                size_t hatched_quads = 0;
                for (const PaintedPrim& p : recording) hatched_quads += p.hatched && !p.lines;
                ASSERT_GT(hatched_quads, 0u) << "t " << t << ": a frame that takes the depth route";
                ASSERT_LT(hatched_quads, recording.size());
                EXPECT_EQ(glIsEnabled(GL_LINE_SMOOTH), line_smooth ? GL_TRUE : GL_FALSE);
                EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
                GLint func = 0;
                glGetIntegerv(GL_DEPTH_FUNC, &func);
                EXPECT_EQ(func, GL_LESS);

                start_frame(line_smooth, polygon_smooth);
                draw_in_order(recording);
                const std::vector<uint8_t> reference = render_read_rgba();

                for (size_t i = 0; i < reference.size(); i += 4)
                    soft_alpha += reference[i + 3] > 0 && reference[i + 3] < 255;
                EXPECT_EQ(count_differing_rgba(painted, reference), 0)
                    << "line smooth " << line_smooth << ", polygon smooth " << polygon_smooth << ", t " << t;
            }
            // The case the depth function is for: smoothed crosses write
            // partial alpha where their arms meet.
            if (line_smooth) {
                EXPECT_GT(soft_alpha, 0);
            }
        }
    }
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POLYGON_SMOOTH);
}

}  // namespace
