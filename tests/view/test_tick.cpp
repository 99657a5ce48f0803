#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "support/ViewFixture.h"
#include "view/CommandIds.h"

namespace {

double lowest(const ParticleSystem& body)
{
    double y = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < body.particleCount(); ++i)
        y = std::max(y, body.particleAt(i)->position.y);
    return y;
}

double meanVelocityY(const ParticleSystem& body)
{
    double sum = 0.0;
    for (int i = 0; i < body.particleCount(); ++i)
        sum += body.particleAt(i)->velocity.y;
    return sum / body.particleCount();
}

std::vector<Vector3> positions(const ParticleSystem& body)
{
    std::vector<Vector3> out;
    for (int i = 0; i < body.particleCount(); ++i)
        out.push_back(body.particleAt(i)->position);
    return out;
}

} // namespace

TEST(Tick, TimerIsRequestedOnceAndRetriedWhenRefused)
{
    SceneRig rig;
    rig.window.refuseTimers = true;
    rig.view.StartAnimationTimer();
    EXPECT_EQ(rig.view.m_nTimerID, 0u);
    rig.window.refuseTimers = false;
    rig.view.StartAnimationTimer();
    EXPECT_EQ(rig.view.m_nTimerID, 333u);
    ASSERT_EQ(rig.window.timerRequests.size(), 2u);
    EXPECT_EQ(rig.window.timerRequests[1], (FakeWindow::TimerRequest{333, 16}));
}

TEST(Tick, EmptySceneRearmsTypingDecaysSpinAndRepaints)
{
    SceneRig rig;
    rig.view.m_nPoints = 9;
    rig.tick();
    EXPECT_EQ(rig.view.m_nPoints, 0);
    EXPECT_EQ(rig.view.m_nCharsAllowed, 1);
    EXPECT_DOUBLE_EQ(rig.view.m_dSpin, 48.0 / 1.1);
    EXPECT_EQ(rig.window.invalidations, 1);
    EXPECT_EQ(rig.window.erasingInvalidations, 1);

    rig.tick(39);
    EXPECT_GT(rig.view.m_dSpin, 1.0);
    rig.tick();
    EXPECT_LT(rig.view.m_dSpin, 1.0);
    EXPECT_NEAR(rig.view.m_dSpin, 0.964, 0.001);

    rig.view.m_dSpin = -3.0;
    rig.tick();
    EXPECT_EQ(rig.view.m_dSpin, 0.0);
}

TEST(Tick, UpdatePointsRoundsHalfAwayFromZero)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    const std::vector<std::pair<Vector3, IntPoint>> cases = {
        {{2.5, -2.5, 0}, {3, -3}},
        {{2.4999, -2.4999, 0}, {2, -2}},
        {{0.0, -0.5, 0}, {0, -1}},
        {{0.49, -0.49, 0}, {0, 0}},
        {{640.5, 479.5, 0}, {641, 480}},
        {{1e12, -1e12, 0}, {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}},
        {{std::nan(""), 7.0, 0}, {0, 7}},
    };
    std::vector<std::unique_ptr<Particle>> particles;
    CLexfallView::TriangleList list;
    for (const auto& c : cases) {
        particles.push_back(std::make_unique<Particle>(c.first, 1.0));
        list.push_back(particles.back().get());
    }
    v.EnsurePointCapacity(static_cast<int>(cases.size()) + 2);
    v.UpdatePoints(list, 2);
    EXPECT_EQ(v.m_pPoints[0], (IntPoint{0, 0}));
    EXPECT_EQ(v.m_pPoints[1], (IntPoint{0, 0}));
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(v.m_pPoints[i + 2], cases[i].second) << i;
}

TEST(Tick, PointsAreLaidOutNewestBodyFirst)
{
    SceneRig rig;
    rig.add("AB");
    CLexfallView& v = rig.view;
    const auto& listA = *v.m_pBodyTriangles[0];
    const auto& listB = *v.m_pBodyTriangles[1];
    ASSERT_FALSE(listA.empty());
    ASSERT_FALSE(listB.empty());
    EXPECT_EQ(v.m_nPoints, static_cast<int>(listA.size() + listB.size()));
    EXPECT_EQ(v.m_nPointCapacity, v.m_nPoints);

    rig.tick();
    ASSERT_EQ(v.m_nPoints, static_cast<int>(listA.size() + listB.size()));
    auto device = [](const Particle* p) {
        return IntPoint{static_cast<int>(std::lround(p->position.x)), static_cast<int>(std::lround(p->position.y))};
    };
    for (std::size_t i = 0; i < listB.size(); ++i)
        EXPECT_EQ(v.m_pPoints[i], device(listB[i])) << i;
    for (std::size_t i = 0; i < listA.size(); ++i)
        EXPECT_EQ(v.m_pPoints[listB.size() + i], device(listA[i])) << i;
}

TEST(Tick, AnimatedCharacterFallsBouncesSinksAndLeaves)
{
    SceneRig rig; // 640 x 480
    CLexfallView& v = rig.view;
    v.OnDisplayAnimate();
    rig.add("A");
    const ParticleSystem* body = v.m_pBodies[0].get();
    const int entries = static_cast<int>(v.m_pBodyTriangles[0]->size());
    const double start = lowest(*body);

    rig.tick(100);
    EXPECT_GT(lowest(*body), start + 40.0) << "falls under gravity";

    bool bounced = false;
    for (int t = 0; t < 200 && !bounced; ++t) {
        rig.tick();
        bounced = meanVelocityY(*body) < 0.0;
    }
    EXPECT_TRUE(bounced) << "the floor turns it back up";

    rig.tick(700);
    ASSERT_EQ(rig.bodyCount(), 1) << "resting on the floor it stays a while";
    EXPECT_GE(lowest(*body), 480.0) << "and sinks into it";

    int ticks = 0;
    while (rig.bodyCount() == 1 && ticks < 20000) {
        rig.tick();
        ++ticks;
    }
    ASSERT_EQ(rig.bodyCount(), 0) << "sinks out of the window in the end";
    EXPECT_TRUE(v.m_pBodyTriangles.empty());
    // The removal tick still wrote its points; the line is untouched.
    EXPECT_EQ(v.m_nPoints, entries);
    EXPECT_EQ(v.m_pAdvances.size(), 1u);
    EXPECT_EQ(v.m_vInsert.x, v.m_pAdvances.back());
    rig.tick();
    EXPECT_EQ(v.m_nPoints, 0);
}

TEST(Tick, FloorBounceUsesClientHeightAndRestitution)
{
    SceneRig rig(640, 480);
    CLexfallView& v = rig.view;
    v.m_vGravity = Vector3{};
    v.OnModeManipulate(); // no spin
    rig.add("A");
    v.OnModeKeyboard();
    ParticleSystem& body = *v.m_pBodies[0];
    // Put the lowest point 0.2 px above the floor, everything moving down
    // at 50 px/s: one step takes it 0.5 px further.
    body.translate(Vector3{0.0, 479.8 - lowest(body), 0.0});
    for (int i = 0; i < body.particleCount(); ++i)
        body.particleAt(i)->velocity = Vector3{0.0, 50.0, 0.0};

    v.OnDisplayAnimate();
    rig.tick();
    int bounced = 0;
    for (int i = 0; i < body.particleCount(); ++i) {
        const Particle& p = *body.particleAt(i);
        if (p.position.y >= 480.0) {
            EXPECT_NEAR(p.velocity.y, -0.4 * 50.0, 1e-6);
            ++bounced;
        } else {
            EXPECT_NEAR(p.velocity.y, 50.0, 1e-6);
        }
    }
    EXPECT_GT(bounced, 0);
}

TEST(Tick, BlankBodyIsNeverRemoved)
{
    SceneRig rig;
    rig.view.OnDisplayAnimate();
    rig.add(" ");
    ASSERT_EQ(rig.bodyCount(), 1);
    EXPECT_EQ(rig.view.m_pBodies[0]->particleCount(), 0);
    EXPECT_GT(rig.view.m_vInsert.x, 0.0) << "a space still advances";
    rig.tick(500);
    EXPECT_EQ(rig.bodyCount(), 1);
    EXPECT_EQ(rig.view.m_nPoints, 0);
}

TEST(Tick, AnimateOffHoldsStillWhileManipulationAccumulates)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    v.OnModeManipulate(); // bodies made now get no spin
    rig.add("A");
    const ParticleSystem& body = *v.m_pBodies[0];
    const auto before = positions(body);

    v.m_vMousePrev = Vector3{100, 100, 0};
    v.m_vMouse = Vector3{110, 100, 0};
    rig.tick(3);
    EXPECT_EQ(positions(body), before) << "no stepping while Animate is off";

    for (const auto& [p, k] : rig.entryCounts()) {
        EXPECT_NEAR(p->velocity.x, 3 * k * 2.0, 1e-12);
        EXPECT_EQ(p->velocity.y, 0.0);
    }

    // Released, the stored push carries the body right.
    v.m_vMouse = v.m_vMousePrev = Vector3{};
    v.OnDisplayAnimate();
    rig.tick();
    EXPECT_GT(positions(body)[0].x, before[0].x);
}

TEST(Tick, PushedPastTheLeftOrTopEdgeIsRemoved)
{
    for (const Vector3 push : {Vector3{-1000, 0, 0}, Vector3{0, -1000, 0}}) {
        SceneRig rig;
        CLexfallView& v = rig.view;
        v.OnModeManipulate();
        v.m_vInsert = Vector3{300, 300, 0};
        rig.add("A");
        v.OnDisplayAnimate();
        v.m_vMouse = push;
        rig.tick(20);
        EXPECT_EQ(rig.bodyCount(), 0) << push.x << ", " << push.y;
    }
}

TEST(Tick, BodiesLeavingTheWindowGoInTheSameTick)
{
    SceneRig rig(640, 480);
    CLexfallView& v = rig.view;
    rig.add("AB");
    // Everything of B right of the window, A untouched.
    v.m_pBodies[1]->translate(Vector3{1000, 0, 0});
    const ParticleSystem* a = v.m_pBodies[0].get();
    rig.tick();
    ASSERT_EQ(rig.bodyCount(), 1);
    EXPECT_EQ(v.m_pBodies[0].get(), a);
    EXPECT_EQ(v.m_pBodyTriangles.size(), 1u);
    EXPECT_EQ(v.m_pAdvances.size(), 2u);
}

TEST(Tick, NozzleEmitsEveryFifthTickAndShowsTheWordOneTickLater)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    v.m_pWords = std::make_unique<CLexfallView::WordList>(CLexfallView::WordList{"ab"});
    v.m_bWordsLoaded = true;
    v.OnModeNozzle();
    v.m_bLeftDown = true;

    rig.tick(4);
    EXPECT_EQ(rig.bodyCount(), 0);
    EXPECT_EQ(v.m_nEmitCounter, 4);
    rig.tick();
    EXPECT_EQ(rig.bodyCount(), 2);
    EXPECT_EQ(v.m_nEmitCounter, 0);
    EXPECT_EQ(v.m_nPoints, 0) << "bodies emitted in a tick are drawn from the next one";
    rig.tick();
    EXPECT_EQ(v.m_nPoints, rig.triangleEntries());
    rig.tick(6);
    EXPECT_EQ(rig.bodyCount(), 4);

    v.m_bLeftDown = false;
    rig.tick(10);
    EXPECT_EQ(rig.bodyCount(), 4);
}

TEST(Tick, DetachedViewTicksHarmlessly)
{
    CLexfallView view;
    view.AddCharacter('A');
    view.OnTimer(0);
    view.StartAnimationTimer();
    EXPECT_EQ(view.m_nTimerID, 0u);
    // An empty client area holds nothing: the body is outside at once.
    EXPECT_TRUE(view.m_pBodies.empty());
}

TEST(Tick, BigScenesOnFourThreadsTickAsOneDoesToTheBit)
{
    // Two scenes of 400 letters, some of them leaving the window, one
    // ticked by four threads and one by the calling thread alone.
    TaskPool four(4);
    SceneRig shared(800, 600);
    SceneRig alone(800, 600);
    shared.view.m_pPool = &four;
    for (SceneRig* rig : {&shared, &alone}) {
        CLexfallView& v = rig->view;
        v.OnCommand(ID_MODE_MANIPULATE);
        for (int k = 0; k < 400; ++k) {
            v.m_vInsert = Vector3{20.0 + 37.0 * (k % 20), 40.0 + 29.0 * (k / 20), 0.0};
            v.AddCharacter(static_cast<char>('A' + k % 26));
        }
        v.m_bAnimate = true;
        v.OnLButtonDown(0, {400, 300});
        v.OnMouseMove(0, {460, 250});
        rig->tick(120);
    }
    ASSERT_EQ(shared.bodyCount(), alone.bodyCount());
    ASSERT_LT(shared.bodyCount(), 400) << "some letters should have left";
    for (int b = 0; b < shared.bodyCount(); ++b) {
        const ParticleSystem& x = *shared.view.m_pBodies[static_cast<std::size_t>(b)];
        const ParticleSystem& y = *alone.view.m_pBodies[static_cast<std::size_t>(b)];
        ASSERT_EQ(x.particleCount(), y.particleCount());
        for (int i = 0; i < x.particleCount(); ++i)
            ASSERT_EQ(std::memcmp(&x.particleAt(i)->position, &y.particleAt(i)->position, sizeof(Vector3)), 0);
    }
    ASSERT_EQ(shared.view.m_nPoints, alone.view.m_nPoints);
    EXPECT_EQ(std::memcmp(shared.view.m_pPoints.get(), alone.view.m_pPoints.get(),
                          sizeof(IntPoint) * static_cast<std::size_t>(shared.view.m_nPoints)),
              0);
}
