// Value types and float math forms of the drawing kit.
#include <gtest/gtest.h>

#include <cmath>

#include "draw/vec.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

float length(Vec2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }

TEST(Vec2, DefaultIsOriginAndArithmeticIsComponentwise)
{
    const Vec2 zero;
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);

    const Vec2 scaled = Vec2(2, 3) * 0.5f;
    EXPECT_FLOAT_EQ(scaled.x, 1.0f);
    EXPECT_FLOAT_EQ(scaled.y, 1.5f);

    const Vec2 a(1, 2), b(3, 5);
    const Vec2 diff = a - b;
    EXPECT_FLOAT_EQ(diff.x, -2.0f);
    EXPECT_FLOAT_EQ(diff.y, -3.0f);
    const Vec2 sum = a + b;
    EXPECT_FLOAT_EQ(sum.x, 4.0f);
    EXPECT_FLOAT_EQ(sum.y, 7.0f);
    // Operands are left unchanged.
    EXPECT_FLOAT_EQ(a.x, 1.0f);
    EXPECT_FLOAT_EQ(b.y, 5.0f);
}

// y points down, so (0, -1) is up: a positive angle turns counter-clockwise on screen.
TEST(Vec2, RotatedTurnsCounterClockwiseOnScreen)
{
    const Vec2 right(1, 0);
    const Vec2 up = right.rotated(kHalfPi);
    EXPECT_NEAR(up.x, 0.0f, 1e-6f);
    EXPECT_NEAR(up.y, -1.0f, 1e-6f);

    const Vec2 down = right.rotated(-kHalfPi);
    EXPECT_NEAR(down.x, 0.0f, 1e-6f);
    EXPECT_NEAR(down.y, 1.0f, 1e-6f);

    // Up turned a further quarter points left.
    const Vec2 left = Vec2(0, -1).rotated(kHalfPi);
    EXPECT_NEAR(left.x, -1.0f, 1e-6f);
    EXPECT_NEAR(left.y, 0.0f, 1e-6f);

    const Vec2 v(0.3f, -0.7f);
    const Vec2 same = v.rotated(0.0f);
    EXPECT_EQ(same.x, v.x);
    EXPECT_EQ(same.y, v.y);
    for (float a : {0.1f, 1.0f, 2.5f, -4.0f}) EXPECT_NEAR(length(v.rotated(a)), length(v), 1e-6f);
}

TEST(FloatMath, PowOfZeroExponentKeepsALevel)
{
    EXPECT_EQ(fpow(0.01f, 0.0f), 1.0f);  // no time passed: a decayed level is unchanged
    EXPECT_EQ(fpow(0.01f, 1.0f), 0.01f);
}

TEST(Walker, CopyCarriesPositionAndHeading)
{
    const Walker w(0.25f, 0.75f, 1.5f);
    const Walker copy = w;
    EXPECT_EQ(copy.pos.x, 0.25f);
    EXPECT_EQ(copy.pos.y, 0.75f);
    EXPECT_EQ(copy.heading, 1.5f);
}

}  // namespace
