// Letters that collide: they rest on one another and on the floor, stay
// out of each other's ink however hard they are shoved, come apart when
// made inside one another, and give the same bits on any number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "support/Overlap.h"
#include "platform/TaskPool.h"
#include "support/TempFolder.h"
#include "support/ViewFixture.h"
#include "view/CommandIds.h"

namespace {

double deepest(const CLexfallView& view)
{
    const std::vector<double> depths = overlapDepths(view.m_collisions, view.m_pBodies);
    return depths.empty() ? 0.0 : *std::max_element(depths.begin(), depths.end());
}

struct Box {
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
};

Box boxOf(const ParticleSystem& body)
{
    Box b;
    for (int i = 0; i < body.particleCount(); ++i) {
        const Vector3& p = body.particleAt(i)->position;
        b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x), std::max(b.bottom, p.y)};
    }
    return b;
}

// Letters without spin (Manipulate mode, the mouse still), colliding and
// animated, in a preset.
void prepare(CLexfallView& view, PhysicsPreset preset)
{
    view.ChoosePreset(preset);
    view.OnCommand(ID_MODE_MANIPULATE);
    view.SetCollide(true);
    view.m_bAnimate = true;
}

// Every particle of `body` gains `speed` to the right, and it wakes.
void shove(CLexfallView& view, ParticleSystem& body, double speed)
{
    for (int i = 0; i < body.particleCount(); ++i)
        body.particleAt(i)->velocity.x += speed;
    view.m_collisions.shapeOf(body)->rigid.wake();
}

void add(CLexfallView& view, char c, double x, double y, int fontSize = 48)
{
    if (view.m_nFontSize != fontSize) {
        SceneSettings settings = view.Settings();
        settings.fontSize = fontSize;
        view.ApplySettings(settings);
    }
    view.m_vInsert = Vector3{x, y, 0.0};
    view.AddCharacter(c);
}

// Every particle position of the scene.
std::vector<Vector3> positions(const CLexfallView& view)
{
    std::vector<Vector3> all;
    for (const auto& body : view.m_pBodies)
        for (int i = 0; i < body->particleCount(); ++i)
            all.push_back(body->particleAt(i)->position);
    return all;
}

} // namespace

TEST(Collide, ALetterDroppedOntoAnotherRestsOnIt)
{
    for (PhysicsPreset preset : {PhysicsPreset::AsDesigned, PhysicsPreset::Sturdy}) {
        SceneRig rig(400, 300);
        CLexfallView& v = rig.view;
        prepare(v, preset);
        add(v, 'H', 150.0, 280.0);
        rig.tick(300);
        add(v, 'H', 150.0, 100.0);
        rig.tick(600);
        ASSERT_EQ(rig.bodyCount(), 2);
        const Box below = boxOf(*v.m_pBodies[0]);
        const Box above = boxOf(*v.m_pBodies[1]);
        EXPECT_GE(below.bottom, 297.0) << "the lower letter stands on the floor";
        EXPECT_LT(above.bottom, below.bottom - 5.0) << "the upper letter rests on the lower one";
        EXPECT_LT(above.top, below.top);
        EXPECT_LE(deepest(v), 0.2) << "no particle lies inside the other letter's ink";
    }
}

TEST(Collide, ASmallLetterStaysInTheCounterOfABigO)
{
    SceneRig rig(600, 400);
    CLexfallView& v = rig.view;
    prepare(v, PhysicsPreset::Sturdy);
    add(v, 'O', 150.0, 395.0, 200);
    rig.tick(200);
    const Box ring = boxOf(*v.m_pBodies[0]);
    const double cx = (ring.left + ring.right) / 2, cy = (ring.top + ring.bottom) / 2;
    add(v, 'x', cx - 5.0, cy, 14);
    rig.tick(400);
    ASSERT_EQ(rig.bodyCount(), 2);
    const Box small = boxOf(*v.m_pBodies[1]);
    // The counter's ring is about a fifth of the O's width thick.
    const double inner = (ring.right - ring.left) * 0.3;
    EXPECT_LT(std::hypot((small.left + small.right) / 2 - cx, small.bottom - cy), inner + 20.0);
    EXPECT_GT(small.left, ring.left + 15.0);
    EXPECT_LT(small.right, ring.right - 15.0);
    EXPECT_LT(small.bottom, ring.bottom - 15.0) << "the small letter fell through the O";
    EXPECT_LE(deepest(v), 0.2);
}

TEST(Collide, TheFastestShoveIntoAPileLeavesNoLetterInsideAnother)
{
    SceneRig rig(640, 480);
    CLexfallView& v = rig.view;
    prepare(v, PhysicsPreset::Sturdy);
    for (int k = 0; k < 40; ++k)
        add(v, "lexfall piles up"[k % 16], 60.0 + 13.0 * (k % 30), 80.0 + 40.0 * (k / 30), 24);
    rig.tick(500);
    // A drag across the whole window in one tick, again and again.
    v.OnLButtonDown(0, {20, 300});
    for (int i = 0; i < 8; ++i) {
        v.OnMouseMove(0, {i % 2 ? 20 : 620, 300});
        rig.tick();
    }
    v.OnLButtonUp(0, {20, 300});
    rig.tick(200);
    for (const Vector3& p : positions(v))
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_LE(deepest(v), 0.5);
}

TEST(Collide, ASturdyLetterShovedAlongTheFloorComesToRestNearby)
{
    SceneRig rig(1024, 480);
    CLexfallView& v = rig.view;
    prepare(v, PhysicsPreset::Sturdy);
    add(v, 'H', 100.0, 470.0);
    rig.tick(200);
    ParticleSystem& h = *v.m_pBodies.front();
    const double start = h.particleAt(0)->position.x;
    shove(v, h, 300.0);
    for (int t = 0; t < 500 && !v.m_collisions.shapeOf(h)->rigid.asleep; ++t)
        rig.tick();
    EXPECT_TRUE(v.m_collisions.shapeOf(h)->rigid.asleep);
    EXPECT_LT(h.particleAt(0)->position.x - start, 300.0);
}

// The sides hold in only letters that have joined others: a lone letter
// sliding along the floor leaves by a side as it does without collisions.
TEST(Collide, ALetterThatNeverTouchedAnotherLeavesByASide)
{
    SceneRig rig(320, 240);
    CLexfallView& v = rig.view;
    prepare(v, PhysicsPreset::AsDesigned);
    add(v, 'H', 260.0, 230.0);
    rig.tick(100);
    ASSERT_EQ(v.m_pBodies.size(), 1u);
    ParticleSystem& h = *v.m_pBodies.front();
    shove(v, h, 300.0);
    rig.tick(100);
    EXPECT_TRUE(v.m_pBodies.empty());
}

TEST(Collide, LettersMadeInsideOneAnotherComeApartGently)
{
    SceneRig rig(640, 480);
    CLexfallView& v = rig.view;
    prepare(v, PhysicsPreset::Sturdy);
    v.m_bAnimate = false;
    for (int k = 0; k < 6; ++k)
        add(v, "sprays"[k], 300.0 + 3.0 * k, 470.0 - 2.0 * k);
    rig.tick();
    ASSERT_GT(deepest(v), 2.0);
    v.m_bAnimate = true;
    double fastest = 0.0;
    for (int t = 0; t < 100; ++t) { // a little over a second and a half
        rig.tick();
        for (const auto& body : v.m_pBodies)
            for (int i = 0; i < body->particleCount(); ++i)
                fastest = std::max(fastest, std::hypot(body->particleAt(i)->velocity.x, body->particleAt(i)->velocity.y));
    }
    EXPECT_EQ(rig.bodyCount(), 6) << "a letter was thrown out of the window";
    EXPECT_LE(deepest(v), 0.5);
    EXPECT_LT(fastest, 300.0) << "the letters were thrown apart";
}

TEST(Collide, ABrokenBodyLeavesAndNothingElseNotices)
{
    SceneRig broken(640, 480), whole(640, 480);
    for (SceneRig* rig : {&broken, &whole}) {
        prepare(rig->view, PhysicsPreset::AsDesigned);
        add(rig->view, 'A', 50.0, 200.0);
        add(rig->view, 'B', 300.0, 200.0);
        add(rig->view, 'C', 550.0, 200.0);
        rig->tick(3);
    }
    broken.view.m_pBodies[1]->particleAt(0)->position.x = std::nan("");
    broken.tick(50);
    whole.tick(50);
    ASSERT_EQ(broken.bodyCount(), 2);
    const std::vector<Vector3> kept = positions(broken.view);
    std::vector<Vector3> expected;
    for (std::size_t b : {0u, 2u})
        for (int i = 0; i < whole.view.m_pBodies[b]->particleCount(); ++i)
            expected.push_back(whole.view.m_pBodies[b]->particleAt(i)->position);
    ASSERT_EQ(kept.size(), expected.size());
    EXPECT_EQ(std::memcmp(kept.data(), expected.data(), kept.size() * sizeof(Vector3)), 0);
}

TEST(Collide, TheSameBitsOnOneTwoAndFourThreadsEveryTime)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kSpray = 300; // a shorter run where every access is checked
#else
    constexpr int kSpray = 700;
#endif
    // Nozzle words sprayed along a path onto a growing pile, then shoved:
    // 1,000 ticks of a scene big enough that the tick, the collisions and
    // the painting all share their work out.
    TempFolder folder;
    const std::string words = folder.write("words.txt", "Letters that collide rest on one another\n"
                                                         "and pile up: 42 of them, then more.\n");
    const auto run = [&words, kSpray](TaskPool* pool) {
        SceneRig rig(640, 480);
        CLexfallView& v = rig.view;
        v.m_pPool = pool;
        v.SetCollide(true);
        SceneSettings settings = v.Settings();
        settings.fontSize = 20;
        v.ApplySettings(settings);
        v.m_bAnimate = true;
        rig.window.fileAnswer = words;
        v.OnCommand(ID_MODE_NOZZLE);
        if (!v.m_bNozzleMode)
            return std::vector<Vector3>{};
        v.OnLButtonDown(0, {40, 60});
        for (int t = 0; t < kSpray; ++t) {
            v.OnMouseMove(0, {40 + (t * 7) % 360, 60 + (t % 40)});
            rig.tick();
        }
        v.OnLButtonUp(0, {300, 60});
        v.OnCommand(ID_MODE_MANIPULATE);
        v.OnLButtonDown(0, {300, 300});
        v.OnMouseMove(0, {310, 295});
        rig.tick(3);
        v.OnLButtonUp(0, {310, 295});
        rig.tick(kSpray * 3 / 7);
        return positions(v);
    };
    const std::vector<Vector3> alone = run(nullptr);
    ASSERT_GT(alone.size(), 256u * 10u) << "too few letters to share the work";
    TaskPool two(2), four(4);
    for (TaskPool* pool : {&two, &four, &four}) {
        const std::vector<Vector3> shared = run(pool);
        ASSERT_EQ(shared.size(), alone.size());
        EXPECT_EQ(std::memcmp(shared.data(), alone.data(), alone.size() * sizeof(Vector3)), 0)
            << pool->threads() << " threads";
    }
}

namespace {

// A narrow window filled with `count` letters of size 16 in rows, dropped
// and ticked; the letters still awake.
int awakeInAPile(SceneRig& rig, PhysicsPreset preset, std::string_view letters, int count, int ticks)
{
    CLexfallView& v = rig.view;
    prepare(v, preset);
    for (int k = 0; k < count; ++k)
        add(v, letters[static_cast<std::size_t>(k) % letters.size()], 8.0 + 15.0 * (k % 15), 20.0 + 19.0 * (k / 15), 16);
    rig.tick(ticks);
    int awake = 0;
    for (const auto& body : v.m_pBodies)
        if (const CollisionShape* s = v.m_collisions.shapeOf(*body))
            awake += !s->rigid.asleep;
    return awake;
}

} // namespace

TEST(Collide, APileOfRoundLettersComesToRest)
{
    SceneRig rig(240, 480);
    const int awake = awakeInAPile(rig, PhysicsPreset::Sturdy, "oeO", 360, 2000);
    EXPECT_EQ(rig.bodyCount(), 360) << "letters rolled out of the window";
    EXPECT_LE(awake, rig.bodyCount() / 20) << "round letters keep rolling over one another";
}

TEST(Collide, APileOfSoftLettersComesToRest)
{
    SceneRig rig(240, 480);
    const int awake = awakeInAPile(rig, PhysicsPreset::AsDesigned, "softpile", 240, 1000);
    EXPECT_LE(awake, rig.bodyCount() / 40) << "the springs of letters pressed together ring on";
}

// Colliding letters are moved by physics alone: a typed line wraps below
// at the right margin instead of scrolling the scene, and a nozzle word
// near the margin starts far enough left to fit.
TEST(Collide, LinesWrapAndWordsFitInsteadOfScrolling)
{
    SceneRig rig(400, 300);
    CLexfallView& v = rig.view;
    v.SetCollide(true);
    v.OnLButtonDown(0, {40, 80});
    v.OnLButtonUp(0, {40, 80});
    rig.type("wrapping lines");
    const Vector3 first = v.m_pBodies.front()->particleAt(0)->position;
    rig.type("ok");
    EXPECT_EQ(v.m_pBodies.front()->particleAt(0)->position.x, first.x) << "the scene scrolled";
    EXPECT_GT(v.m_vInsert.y, 80.0) << "the line did not wrap";
    for (const auto& body : v.m_pBodies)
        for (int i = 0; i < body->particleCount(); ++i)
            EXPECT_GE(body->particleAt(i)->position.x, 39.0);

    rig.type("\r");
    v.m_pWords = std::make_unique<CLexfallView::WordList>(CLexfallView::WordList{"margin"});
    v.m_bWordsLoaded = true;
    v.OnModeNozzle();
    v.OnLButtonDown(0, {390, 100});
    for (const auto& body : v.m_pBodies)
        for (int i = 0; i < body->particleCount(); ++i)
            EXPECT_LT(body->particleAt(i)->position.x, 400.0);
    EXPECT_EQ(rig.bodyCount(), 6);
}
