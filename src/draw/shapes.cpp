#include "draw/shapes.h"

#include <cmath>

#include "draw/gl.h"

namespace {

// Point at angle a on the circle of radius r around (cx, cy), in floats.
inline void circle_vertex(float r, float cx, float cy, float a) { glVertex2f(cx + r * fcos(a), cy + r * fsin(a)); }

inline float full_turn_step(int segments) { return static_cast<float>(6.283185307 / segments); }

}  // namespace

void arc_band(float r_a, float r_b, float cx, float cy, int segments, float a0, float a1)
{
    const float span = a1 - a0;
    const float step = span / static_cast<float>(segments);
    for (int i = 0; i < segments; ++i) {
        const float th0 = a0 + static_cast<float>(i) * step;
        const float th1 = th0 + step;
        circle_vertex(r_a, cx, cy, th0);
        circle_vertex(r_a, cx, cy, th1);
        circle_vertex(r_b, cx, cy, th1);
        circle_vertex(r_b, cx, cy, th0);
    }
}

void filled_disc(float radius, float cx, float cy, int segments, float phase)
{
    if (segments <= 0) return;
    const float step = full_turn_step(segments);
    for (int i = 0; i < segments; ++i) {
        const float th0 = phase + static_cast<float>(i) * step;
        const float th1 = th0 + step;
        glVertex2f(cx, cy);
        circle_vertex(radius, cx, cy, th0);
        circle_vertex(radius, cx, cy, th1);
    }
}

void circle_outline(float radius, float cx, float cy, int segments, float phase)
{
    if (segments <= 0) return;
    const float step = full_turn_step(segments);
    for (int i = 0; i < segments; ++i) {
        const float th0 = phase + static_cast<float>(i) * step;
        const float th1 = th0 + step;
        circle_vertex(radius, cx, cy, th0);
        circle_vertex(radius, cx, cy, th1);
    }
}

void gradient_disc(double t, float radius, const Color3& centre_colour, const Color3& rim_colour, bool additive,
                   float cx, float cy)
{
    if (additive) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    glBegin(GL_TRIANGLES);
    const double w = 0.15707964f;  // pi/20 as a float
    for (int i = 0; i < 20; ++i) {
        const double th0 = t * 0.3 + (2 * i) * w;
        const double th1 = th0 + w;
        centre_colour.emit_color();
        glVertex2f(cx, cy);
        rim_colour.emit_color();
        glVertex2f(static_cast<float>(cx + radius * std::cos(th0)), static_cast<float>(cy + radius * std::sin(th0)));
        glVertex2f(static_cast<float>(cx + radius * std::cos(th1)), static_cast<float>(cy + radius * std::sin(th1)));
    }
    glEnd();
    glDisable(GL_BLEND);
}

void cross_mark(float half_len, float cx, float cy)
{
    glVertex2f(cx - half_len, cy);
    glVertex2f(cx + half_len, cy);
    glVertex2f(cx, cy - half_len);
    glVertex2f(cx, cy + half_len);
}

void centered_rect_outline(float half_w, float half_h)
{
    const float left = 0.5f - half_w, right = 0.5f + half_w;
    const float top = 0.5f - half_h, bottom = 0.5f + half_h;
    glVertex2f(left, top);
    glVertex2f(right, top);
    glVertex2f(right, top);
    glVertex2f(right, bottom);
    glVertex2f(right, bottom);
    glVertex2f(left, bottom);
    glVertex2f(left, bottom);
    glVertex2f(left, top);
}

void textured_quad(float w, float h, float cx, float cy, uint32_t texture, float angle)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    const Vec2 centre(cx, cy);
    const Vec2 corners[4] = {Vec2(-w / 2, -h / 2), Vec2(w / 2, -h / 2), Vec2(w / 2, h / 2), Vec2(-w / 2, h / 2)};
    const float tex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(tex[i][0], tex[i][1]);
        (corners[i].rotated(angle) + centre).emit_vertex();
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}
