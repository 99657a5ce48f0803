#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"
#include "physics/ParticleSystem.h"

namespace {

Particle* addAt(ParticleSystem& s, Vector3 p)
{
    double tolerance = -1.0; // never reuse
    return s.findOrAddParticle(p, tolerance);
}

} // namespace

TEST(ParticleSystemStep, VelocityIsUpdatedBeforePosition)
{
    ParticleSystem s{0.4};
    Particle* p = addAt(s, {0, 0, 0});
    std::vector<Particle*> targets{p};
    s.addForce(std::make_unique<MOTUSforceGlobal>(&targets, Vector3{0, 100, 0}, 0.0));
    s.step(0.01);
    EXPECT_DOUBLE_EQ(p->velocity.y, 1.0);
    EXPECT_DOUBLE_EQ(p->position.y, 0.01); // uses the new velocity
    EXPECT_EQ(p->velocity.x, 0.0);
}

TEST(ParticleSystemStep, ForcesApplyInListOrderAfterClearing)
{
    ParticleSystem s{1.0};
    Particle* a = addAt(s, {10, 0, 0});
    Particle* b = addAt(s, {0, 0, 0});
    std::vector<Particle*> targets{a, b};
    // Global first, spring second: both contribute.
    s.addForce(std::make_unique<MOTUSforceGlobal>(&targets, Vector3{0, 100, 0}, 0.0));
    s.addForce(std::make_unique<MOTUSforceSpring>(a, b, 8.0, 200.0, 0.0));
    a->force = {1e6, 1e6, 0}; // stale accumulators must not leak in
    s.step(0.01);
    EXPECT_DOUBLE_EQ(a->velocity.x, -4.0);
    EXPECT_DOUBLE_EQ(a->velocity.y, 1.0);
    EXPECT_DOUBLE_EQ(b->velocity.x, 4.0);

    // Spring first, global second: the global force overwrites the spring.
    ParticleSystem t{1.0};
    Particle* c = addAt(t, {10, 0, 0});
    Particle* d = addAt(t, {0, 0, 0});
    std::vector<Particle*> targets2{c, d};
    t.addForce(std::make_unique<MOTUSforceSpring>(c, d, 8.0, 200.0, 0.0));
    t.addForce(std::make_unique<MOTUSforceGlobal>(&targets2, Vector3{0, 100, 0}, 0.0));
    t.step(0.01);
    EXPECT_EQ(c->velocity.x, 0.0);
    EXPECT_DOUBLE_EQ(c->velocity.y, 1.0);
}

TEST(ParticleSystemStep, WithoutForcesOnlyPositionsMove)
{
    ParticleSystem s{1.0};
    Particle* p = addAt(s, {1, 2, 0});
    p->velocity = {100, -50, 0};
    s.step(0.01);
    EXPECT_EQ(p->velocity, (Vector3{100, -50, 0}));
    EXPECT_DOUBLE_EQ(p->position.x, 2.0);
    EXPECT_DOUBLE_EQ(p->position.y, 1.5);

    ParticleSystem empty{1.0};
    empty.step(0.01); // nothing to do, nothing to crash
}

TEST(ParticleSystemLookup, NearestKeepsTheEarliestOfEquals)
{
    ParticleSystem s{1.0};
    double distance = 123.0;
    EXPECT_EQ(s.nearestParticle({0, 0, 0}, distance), nullptr);
    EXPECT_EQ(distance, 123.0);

    Particle* left = addAt(s, {-1, 0, 0});
    addAt(s, {1, 0, 0});
    Particle* near = addAt(s, {0, 0.5, 0});
    EXPECT_EQ(s.nearestParticle({0, 0, 0}, distance), near);
    EXPECT_DOUBLE_EQ(distance, 0.5);
    EXPECT_EQ(s.nearestParticle({0, 3, 0}, distance), near);
    // Equidistant from the first two, farther from the third.
    EXPECT_EQ(s.nearestParticle({0, -5, 0}, distance), left);
}

TEST(ParticleSystemLookup, FindOrAddIsInclusiveAndWritesTheDistanceBack)
{
    ParticleSystem s{1.0};
    Particle* p = addAt(s, {0, 0, 0});
    EXPECT_EQ(s.particleCount(), 1);

    double tolerance = 0.5;
    EXPECT_EQ(s.findOrAddParticle({0.5, 0, 0}, tolerance), p);
    EXPECT_EQ(tolerance, 0.5);

    tolerance = 0.5;
    EXPECT_EQ(s.findOrAddParticle({0.3, 0, 0}, tolerance), p);
    EXPECT_DOUBLE_EQ(tolerance, 0.3);

    tolerance = 0.5;
    Particle* q = s.findOrAddParticle({0.5000001, 0, 0}, tolerance);
    EXPECT_NE(q, p);
    EXPECT_EQ(tolerance, 0.5); // untouched when a particle is created
    EXPECT_EQ(q->mass, 1.0);
    EXPECT_EQ(q->position, (Vector3{0.5000001, 0, 0}));
    EXPECT_EQ(s.particleCount(), 2);
}

TEST(ParticleSystemForces, AddUniqueRefusesOnlyTheSameObject)
{
    ParticleSystem s{1.0};
    Particle* a = addAt(s, {0, 0, 0});
    Particle* b = addAt(s, {1, 0, 0});

    std::unique_ptr<MOTUSforce> first = std::make_unique<MOTUSforceSpring>(a, b, 1.0, 1.0, 0.0);
    MOTUSforce* raw = first.get();
    EXPECT_TRUE(s.addForceUnique(first));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(s.forceAt(0), raw);

    // The same object offered again is refused and stays with the caller.
    std::unique_ptr<MOTUSforce> again(raw);
    EXPECT_FALSE(s.addForceUnique(again));
    EXPECT_EQ(again.get(), raw);
    (void)again.release(); // still owned by the system
    EXPECT_EQ(s.forceCount(), 1);

    // A different spring between the same particles is a new force.
    std::unique_ptr<MOTUSforce> twin = std::make_unique<MOTUSforceSpring>(a, b, 1.0, 1.0, 0.0);
    EXPECT_TRUE(s.addForceUnique(twin));
    EXPECT_EQ(s.forceCount(), 2);
    EXPECT_EQ(s.forceAt(2), nullptr);
    EXPECT_EQ(s.forceAt(-1), nullptr);
}

TEST(ParticleSystemStorage, AddressesAndForceOrderSurviveGrowthPastTheReservedRoom)
{
    ParticleSystem s{1.0};
    s.reserve(2, 1);
    std::vector<Particle*> made;
    for (int i = 0; i < 40; ++i)
        made.push_back(addAt(s, {double(i), 0, 0}));
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(s.particleAt(i), made[static_cast<std::size_t>(i)]);
        EXPECT_EQ(made[static_cast<std::size_t>(i)]->position.x, double(i));
    }

    // Springs made in place and forces handed in keep one list order.
    std::vector<MOTUSforce*> order;
    order.push_back(s.addSpring(made[0], made[1], 1.0, 1.0, 0.0));
    std::unique_ptr<MOTUSforce> handed = std::make_unique<MOTUSforceGlobal>(&made, Vector3{0, 1, 0}, 0.0);
    order.push_back(handed.get());
    EXPECT_TRUE(s.addForceUnique(handed));
    for (int i = 0; i < 20; ++i)
        order.push_back(s.addSpring(made[2], made[3], 1.0, 1.0, 0.0));
    ASSERT_EQ(s.forceCount(), 22);
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(s.forceAt(i), order[static_cast<std::size_t>(i)]) << i;

    // A spring made in place is already in the list.
    std::unique_ptr<MOTUSforce> inPlace(order.back());
    EXPECT_FALSE(s.addForceUnique(inPlace));
    (void)inPlace.release();
    EXPECT_EQ(s.forceCount(), 22);
}

TEST(ParticleSystemMotion, TranslateAndSpinAboutTheCentroid)
{
    ParticleSystem s{1.0};
    Particle* a = addAt(s, {0, 0, 0});
    Particle* b = addAt(s, {10, 0, 0});
    s.spin(2.0);
    EXPECT_EQ(a->velocity, (Vector3{0, -10, 0}));
    EXPECT_EQ(b->velocity, (Vector3{0, 10, 0}));

    s.translate({5, -3, 0});
    EXPECT_EQ(a->position, (Vector3{5, -3, 0}));
    EXPECT_EQ(b->position, (Vector3{15, -3, 0}));

    // A vertical pair: positive spin turns clockwise on a y-down screen.
    ParticleSystem v{1.0};
    Particle* top = addAt(v, {0, -5, 0});
    addAt(v, {0, 5, 0});
    v.spin(1.0);
    EXPECT_EQ(top->velocity, (Vector3{5, 0, 0}));

    ParticleSystem empty{1.0};
    empty.spin(3.0); // no centroid, no division by zero
}

TEST(ParticleSystemBounds, IsOutsideIsHalfOpen)
{
    const auto outside = [](Vector3 p) {
        ParticleSystem s{1.0};
        addAt(s, p);
        return s.isOutside(0, 0, 640, 480);
    };
    EXPECT_FALSE(outside({0, 0, 0}));
    EXPECT_FALSE(outside({639.9, 479.9, 0}));
    EXPECT_TRUE(outside({640, 100, 0}));
    EXPECT_TRUE(outside({100, 480, 0}));
    EXPECT_TRUE(outside({-0.1, 100, 0}));
    EXPECT_TRUE(outside({100, -0.1, 0}));
    EXPECT_TRUE(outside({std::numeric_limits<double>::quiet_NaN(), 100, 0}));
    EXPECT_TRUE(outside({100, std::numeric_limits<double>::quiet_NaN(), 0}));

    ParticleSystem empty{1.0};
    EXPECT_TRUE(empty.isOutside(0, 0, 640, 480));

    // One particle inside is enough.
    ParticleSystem two{1.0};
    addAt(two, {-50, -50, 0});
    addAt(two, {10, 10, 0});
    EXPECT_FALSE(two.isOutside(0, 0, 640, 480));
}

TEST(ParticleSystemBounds, BounceReflectsOnlyDownwardSpeedAtOrBelowTheFloor)
{
    ParticleSystem s{0.4};
    Particle* below = addAt(s, {0, 481, 0});
    Particle* above = addAt(s, {1, 479, 0});
    Particle* resting = addAt(s, {2, 485, 0});
    Particle* rising = addAt(s, {3, 485, 0});
    Particle* onLine = addAt(s, {4, 480, 0});
    below->velocity = {7, 50, 0};
    above->velocity = {0, 50, 0};
    rising->velocity = {0, -3, 0};
    onLine->velocity = {0, 10, 0};

    s.bounceFloor(0, 0, 640, 480);
    EXPECT_EQ(below->velocity, (Vector3{7, -20, 0}));
    EXPECT_EQ(below->position, (Vector3{0, 481, 0}));
    EXPECT_EQ(above->velocity.y, 50.0);
    EXPECT_EQ(resting->velocity.y, 0.0);
    EXPECT_EQ(rising->velocity.y, -3.0);
    EXPECT_DOUBLE_EQ(onLine->velocity.y, -4.0);
}

TEST(ParticleSystemBounds, AFloorThatHoldsTheBodyStopsItsFall)
{
    ParticleSystem s{0.4};
    s.floorHoldsBody = true;
    Particle* foot = addAt(s, {0, 481, 0});
    Particle* head = addAt(s, {0, 440, 0});
    foot->velocity = {0, 50, 0};
    head->velocity = {0, 50, 0};
    // The foot bounces (-20); then the body as a whole stops falling.
    s.bounceFloor(0, 0, 640, 480);
    EXPECT_DOUBLE_EQ(foot->velocity.y, -35.0);
    EXPECT_DOUBLE_EQ(head->velocity.y, 35.0);

    // Off the floor, or already rising, nothing more happens.
    foot->position.y = 470;
    s.bounceFloor(0, 0, 640, 480);
    EXPECT_DOUBLE_EQ(head->velocity.y, 35.0);
    foot->position.y = 481;
    head->velocity.y = -60;
    s.bounceFloor(0, 0, 640, 480);
    EXPECT_DOUBLE_EQ(head->velocity.y, -60.0);
}

TEST(ParticleSystemBounds, ARestingParticleSinksSlowly)
{
    ParticleSystem s{0.4};
    Particle* p = addAt(s, {0, 480, 0});
    std::vector<Particle*> targets{p};
    s.addForce(std::make_unique<MOTUSforceGlobal>(&targets, Vector3{0, 100, 0}, 0.0));
    double previous = p->position.y;
    for (int i = 0; i < 2000; ++i) {
        s.step(0.01);
        s.bounceFloor(0, 0, 640, 480);
        EXPECT_GT(p->position.y, previous);
        previous = p->position.y;
    }
    EXPECT_NEAR(p->velocity.y, -2.0 / 7.0, 1e-9);
    // About 1/140 pixel per step once settled.
    const double before = p->position.y;
    s.step(0.01);
    s.bounceFloor(0, 0, 640, 480);
    EXPECT_NEAR(p->position.y - before, 1.0 / 140.0, 1e-9);
}
