#include "draw/vec.h"

#include <cmath>

#include "draw/gl.h"

float fcos(float a) { return static_cast<float>(std::cos(static_cast<double>(a))); }
float fsin(float a) { return static_cast<float>(std::sin(static_cast<double>(a))); }
float fpow(float base, float exponent)
{
    return static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
}
float ffabs(float a) { return static_cast<float>(std::fabs(static_cast<double>(a))); }
float ffmod(float a, float b) { return static_cast<float>(std::fmod(static_cast<double>(a), static_cast<double>(b))); }

Vec2 Vec2::rotated(float angle) const
{
    const float c = fcos(angle);
    const float s = fsin(angle);
    return Vec2(c * x + s * y, -s * x + c * y);
}

void Vec2::emit_vertex() const { glVertex2f(x, y); }

void Color3::emit_color() const { glColor3f(r, g, b); }
