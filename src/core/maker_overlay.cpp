#include "core/maker_overlay.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/maker_frame.h"
#include "core/maker_text.h"
#include "core/schedule.h"
#include "draw/gl.h"

namespace {

// Short names, in role order, to fit under the lights.
constexpr const char* kRoleLabels[role::count] = {
    "bass", "kick", "snar", "tom",  "clap", "crsh", "pad",  "keys", "lead",
    "arp",  "swp",  "bell", "chat", "rim",  "ohat", "acid", "plck", "stab",
};

constexpr float kGraphX = 8, kGraphY = 30, kGraphW = kGraphFrames, kGraphH = 40;
constexpr float kGraphMs = 33.4f;  // the graph's full height: two 60 Hz frames
constexpr float kTargetMs = 16.7f;

void box(float x0, float y0, float x1, float y1)
{
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
}

// Untextured: text drawn before it leaves texturing on.
void backdrop(float x0, float y0, float x1, float y1)
{
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 0.6f);
    glBegin(GL_QUADS);
    box(x0, y0, x1, y1);
    glEnd();
}

void frame_graph(const OverlayInfo& info)
{
    backdrop(kGraphX - 2, kGraphY - 2, kGraphX + kGraphW + 2, kGraphY + kGraphH + 2);
    glBegin(GL_LINES);
    const int n = std::min(info.frame_count, kGraphFrames);
    for (int i = 0; i < n; ++i) {
        const float ms = info.frame_ms[info.frame_count - n + i];
        const float h = std::min(ms / kGraphMs, 1.0f) * kGraphH;
        if (ms > kTargetMs)
            glColor4f(1, 0.35f, 0.2f, 1);
        else
            glColor4f(0.3f, 0.9f, 0.4f, 1);
        const float x = kGraphX + kGraphW - n + i + 0.5f;
        glVertex2f(x, kGraphY + kGraphH);
        glVertex2f(x, kGraphY + kGraphH - h);
    }
    // The 60 Hz budget.
    const float y = kGraphY + kGraphH - kTargetMs / kGraphMs * kGraphH;
    glColor4f(1, 1, 1, 0.8f);
    glVertex2f(kGraphX, y);
    glVertex2f(kGraphX + kGraphW, y);
    glEnd();
}

void role_lights(const OverlayInfo& info)
{
    constexpr float kStep = 35, kSize = 12, kY = 446;
    const float x0 = (640 - kStep * role::count) / 2;
    backdrop(x0 - 4, kY - 4, x0 + kStep * role::count, 478);
    glBegin(GL_QUADS);  // after the backdrop: untextured
    for (int r = 0; r < role::count; ++r) {
        const float l = std::clamp(info.role_light[r], 0.0f, 1.0f);
        glColor4f(0.15f + 0.85f * l, 0.15f + 0.75f * l, 0.15f + 0.2f * l, 1);
        const float x = x0 + kStep * r + (kStep - kSize) / 2 - 4;
        box(x, kY, x + kSize, kY + kSize);
    }
    glEnd();
    for (int r = 0; r < role::count; ++r)
        maker_text_draw(20 + r, kRoleLabels[r], x0 + kStep * r - 2, kY + kSize + 1, 0.8f, 0.8f, 0.8f, 1);
}

void texts(const OverlayInfo& info)
{
    char line[160];
    std::snprintf(line, sizeof line, "order %d  row %d  %.2f s%s", info.order, info.row, info.seconds,
                  info.paused ? "  PAUSED" : "");
    std::string status = line;
    if (info.looped_order >= 0) status += "  LOOP " + std::to_string(info.looped_order);
    const int lh = std::max(maker_text_line_height(), 1);
    backdrop(4, 4, 340, 8 + lh);
    maker_text_draw(0, status, 8, 6, 1, 1, 1, 1);

    const float last = info.frame_count > 0 ? info.frame_ms[info.frame_count - 1] : 0.0f;
    std::snprintf(line, sizeof line, "frame %.1f ms", last);
    maker_text_draw(1, line, kGraphX + kGraphW + 8, kGraphY, 1, 1, 1, 1);

    const float y0 = kGraphY + kGraphH + 10;
    backdrop(4, y0 - 2, 220, y0 + lh * float(info.row_count) + 2);
    for (size_t i = 0; i < info.row_count && i < 16; ++i) {
        const int row = info.rows[i];
        const bool hidden = (info.hidden >> row) & 1;
        std::snprintf(line, sizeof line, "%zu %s%s", i + 1, kSchedule[row].name,
                      row == info.solo_row ? "  (solo)"
                      : hidden             ? "  (muted)"
                                           : "");
        const float c = hidden ? 0.45f : 1.0f;
        maker_text_draw(2 + int(i), line, 8, y0 + lh * float(i), c, c, c, 1);
    }
}

}  // namespace

float role_light_level(double age)
{
    if (age < 0) return 0;
    return static_cast<float>(std::max(0.0, 1.0 - age / 0.25));
}

void draw_maker_overlay(const OverlayInfo& info)
{
    const int matrix_mode = maker_gl_begin();
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    for (GLenum cap : {GL_POLYGON_STIPPLE, GL_LINE_STIPPLE, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH, GL_DEPTH_TEST,
                       GL_CULL_FACE, GL_TEXTURE_2D, GL_SCISSOR_TEST, GL_ALPHA_TEST})
        glDisable(cap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLineWidth(1.0f);

    frame_graph(info);
    role_lights(info);
    texts(info);

    maker_gl_end(matrix_mode);
}
