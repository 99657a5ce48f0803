#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "physics/Particle.h"
#include "physics/Vector3.h"

TEST(Vector3, ArithmeticIsComponentWise)
{
    const Vector3 a{1, 2, 3};
    const Vector3 b{4, -5, 6};
    EXPECT_DOUBLE_EQ(a.dot(b), 4 - 10 + 18);
    EXPECT_EQ(Vector3::plus(a, b), (Vector3{5, -3, 9}));
    EXPECT_EQ(Vector3::minus(a, b), (Vector3{-3, 7, -3}));
    EXPECT_EQ(Vector3::scaled(a, 2.0), (Vector3{2, 4, 6}));
    EXPECT_EQ(Vector3::scaled(Vector3{7, -8, 9}, 0.0), (Vector3{0, 0, 0}));

    Vector3 c{1, 1, 1};
    c.scaleBy(3.0).addComponents(1, -2, 0.5);
    EXPECT_EQ(c, (Vector3{4, 1, 3.5}));
    double x = 0, y = 0, z = 0;
    c.components(x, y, z);
    EXPECT_EQ(x, 4);
    EXPECT_EQ(y, 1);
    EXPECT_EQ(z, 3.5);
}

TEST(Vector3, AngleToIsCounterClockwiseWithTheDecimalConstant)
{
    const Vector3 down{0, 1, 0};
    EXPECT_EQ(down.angleTo(down), 0.0); // strict test: never 6.283185308
    // Cross product -1: the literal, not 2*pi, minus a quarter turn.
    EXPECT_DOUBLE_EQ(down.angleTo(Vector3{1, 0, 0}), 6.283185308 - std::numbers::pi / 2);
    EXPECT_NE(down.angleTo(Vector3{1, 0, 0}), 2 * std::numbers::pi - std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(down.angleTo(Vector3{-1, 0, 0}), std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(down.angleTo(Vector3{0, -1, 0}), std::numbers::pi);
    // z plays no part.
    EXPECT_DOUBLE_EQ(Vector3(0, 1, 5).angleTo(Vector3{-1, 0, -7}), std::numbers::pi / 2);
}

TEST(Vector3, AngleToClampsTheCosine)
{
    // Slightly longer than unit: the cosine exceeds 1 and must not give NaN.
    const Vector3 t{0, 1.0000001, 0};
    EXPECT_EQ(t.angleTo(t), 0.0);
    EXPECT_FALSE(std::isnan(t.angleTo(Vector3{0, -1.0000001, 0})));
}

TEST(Particle, StartsAtRestWithEmptyAccumulator)
{
    const Particle p{Vector3{3, -4, 0}, 2.5};
    EXPECT_EQ(p.position, (Vector3{3, -4, 0}));
    EXPECT_EQ(p.velocity, (Vector3{}));
    EXPECT_EQ(p.force, (Vector3{}));
    EXPECT_EQ(p.mass, 2.5);
}
