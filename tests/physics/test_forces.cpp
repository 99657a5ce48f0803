#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"

TEST(MOTUSforceSpring, StretchedSpringPullsEndsTogetherDividedByMass)
{
    Particle a{{10, 0, 0}, 1.0};
    Particle b{{0, 0, 0}, 1.0};
    MOTUSforceSpring spring{&a, &b, 8.0, 200.0, 0.0};
    spring.apply();
    EXPECT_EQ(a.force, (Vector3{-400, 0, 0}));
    EXPECT_EQ(b.force, (Vector3{400, 0, 0}));

    // Heavier first end: its share halves, the other end's does not.
    Particle heavy{{10, 0, 0}, 2.0};
    Particle light{{0, 0, 0}, 1.0};
    MOTUSforceSpring second{&heavy, &light, 8.0, 200.0, 0.0};
    second.apply();
    EXPECT_EQ(heavy.force, (Vector3{-200, 0, 0}));
    EXPECT_EQ(light.force, (Vector3{400, 0, 0}));

    // Accumulates rather than assigns.
    second.apply();
    EXPECT_EQ(heavy.force, (Vector3{-400, 0, 0}));
}

TEST(MOTUSforceSpring, CompressedSpringPushesApart)
{
    Particle a{{0, 5, 0}, 1.0};
    Particle b{{0, 0, 0}, 1.0};
    MOTUSforceSpring spring{&a, &b, 10.0, 2.0, 0.0};
    spring.apply();
    EXPECT_EQ(a.force, (Vector3{0, 10, 0}));
    EXPECT_EQ(b.force, (Vector3{0, -10, 0}));
}

TEST(MOTUSforceSpring, AtRestContributesNothing)
{
    Particle a{{3, 4, 0}, 1.0};
    Particle b{{0, 0, 0}, 1.0};
    MOTUSforceSpring spring{&a, &b, 5.0, 200.0, 1.0};
    spring.apply();
    EXPECT_EQ(a.force, (Vector3{}));
    EXPECT_EQ(b.force, (Vector3{}));
}

TEST(MOTUSforceSpring, DampingUsesOnlyTheRelativeVelocityAlongTheSpring)
{
    Particle a{{10, 0, 0}, 1.0};
    Particle b{{0, 0, 0}, 1.0};
    // Perpendicular relative velocity: no damping force.
    a.velocity = {0, 7, 0};
    MOTUSforceSpring spring{&a, &b, 10.0, 200.0, 3.0};
    spring.apply();
    EXPECT_EQ(a.force, (Vector3{}));

    // Separating at 2 px/s along x: f = -3 * (2 * 10) / 10 = -6.
    a.force = b.force = Vector3{};
    a.velocity = {2, 7, 0};
    spring.apply();
    EXPECT_DOUBLE_EQ(a.force.x, -6.0);
    EXPECT_DOUBLE_EQ(b.force.x, 6.0);
    EXPECT_EQ(a.force.y, 0.0);
}

TEST(MOTUSforceSpring, ZeroDampingNeverReadsVelocity)
{
    Particle a{{10, 0, 0}, 1.0};
    Particle b{{0, 0, 0}, 1.0};
    a.velocity = {NAN, NAN, NAN};
    MOTUSforceSpring spring{&a, &b, 8.0, 200.0, 0.0};
    spring.apply();
    EXPECT_EQ(a.force, (Vector3{-400, 0, 0}));
}

TEST(MOTUSforceSpring, CoincidentEndsContributeNothing)
{
    Particle a{{4, 4, 0}, 1.0};
    MOTUSforceSpring self{&a, &a, 0.0, 200.0, 1.0};
    self.apply();
    EXPECT_EQ(a.force, (Vector3{}));

    Particle b{{4, 4, 0}, 1.0};
    MOTUSforceSpring pair{&a, &b, 3.0, 200.0, 1.0};
    pair.apply();
    EXPECT_EQ(a.force, (Vector3{}));
    EXPECT_EQ(b.force, (Vector3{}));
}

TEST(MOTUSforceGlobal, AssignsAccelerationMinusDrag)
{
    Particle a{{0, 0, 0}, 5.0};
    Particle b{{0, 0, 0}, 1.0};
    a.force = {1000, 1000, 1000};
    b.velocity = {10, -20, 0};
    std::vector<Particle*> targets{&a, &b, &a};
    MOTUSforceGlobal gravity{&targets, {0, 100, 0}, 0.5};
    gravity.apply();
    // Mass plays no part; earlier contents are replaced, repeats are harmless.
    EXPECT_EQ(a.force, (Vector3{0, 100, 0}));
    EXPECT_EQ(b.force, (Vector3{-5, 110, 0}));
}

TEST(MOTUSforce, IsSameMeansTheVeryObject)
{
    Particle a{{0, 0, 0}, 1.0};
    Particle b{{1, 0, 0}, 1.0};
    MOTUSforceSpring s1{&a, &b, 1.0, 1.0, 0.0};
    MOTUSforceSpring s2{&a, &b, 1.0, 1.0, 0.0};
    std::vector<Particle*> targets{&a};
    MOTUSforceGlobal g1{&targets, {}, 0.0};
    MOTUSforceGlobal g2{&targets, {}, 0.0};

    EXPECT_TRUE(s1.isSame(&s1));
    EXPECT_FALSE(s1.isSame(&s2));
    EXPECT_FALSE(s1.isSame(&g1));
    EXPECT_FALSE(s1.isSame(nullptr));
    EXPECT_TRUE(g1.isSame(&g1));
    EXPECT_FALSE(g1.isSame(&g2));
    EXPECT_FALSE(g1.isSame(&s1));
}
