// Small value types of the drawing code and float forms of the math functions.
// Coordinates: x grows to the right, y grows downward; angles in radians.
#pragma once

// Float forms: widen to double, call the C library, narrow the result.
float fcos(float a);
float fsin(float a);
float fpow(float base, float exponent);
float ffabs(float a);
float ffmod(float a, float b);

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(float x_, float y_) : x(x_), y(y_) {}

    // Turns counter-clockwise on screen for a positive angle (y points down):
    // (1, 0).rotated(pi/2) == (0, -1).
    Vec2 rotated(float angle) const;
    // glVertex2f(x, y); only between glBegin and glEnd.
    void emit_vertex() const;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return Vec2(a.x + b.x, a.y + b.y); }
inline Vec2 operator-(Vec2 a, Vec2 b) { return Vec2(a.x - b.x, a.y - b.y); }
inline Vec2 operator*(Vec2 v, float s) { return Vec2(v.x * s, v.y * s); }
inline Vec2 operator*(float s, Vec2 v) { return Vec2(v.x * s, v.y * s); }

// RGB as OpenGL takes it; not clamped.
struct Color3 {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    Color3() = default;
    Color3(float r_, float g_, float b_) : r(r_), g(g_), b(b_) {}

    // glColor3f(r, g, b).
    void emit_color() const;
};

// One element of the walker lists: where it stands and where it points.
struct Walker {
    Vec2 pos;
    float heading = 0.0f;

    Walker() = default;
    Walker(float x, float y, float heading_) : pos(x, y), heading(heading_) {}
};
