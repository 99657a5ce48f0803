#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bodies/SceneRandom.h"
#include "physics/MOTUSforceGlobal.h"
#include "physics/MOTUSforceSpring.h"
#include "support/ViewFixture.h"

namespace {

Vector3 centroid(const ParticleSystem& body)
{
    Vector3 sum;
    for (int i = 0; i < body.particleCount(); ++i)
        sum = sum + body.particleAt(i)->position;
    return sum * (1.0 / body.particleCount());
}

// The spin rate a freshly added body was given, from its velocities
// (v = w * (-dy, dx) around the centroid); checks every particle agrees.
double spinOf(const ParticleSystem& body)
{
    const Vector3 c = centroid(body);
    double w = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < body.particleCount(); ++i) {
        const Particle& p = *body.particleAt(i);
        const Vector3 d = p.position - c;
        if (std::abs(d.x) < 1.0)
            continue;
        const double here = p.velocity.y / d.x;
        if (std::isnan(w))
            w = here;
        EXPECT_NEAR(here, w, 1e-9 * std::max(1.0, std::abs(w)));
    }
    return w;
}

double minX(const ParticleSystem& body)
{
    double x = std::numeric_limits<double>::infinity();
    for (int i = 0; i < body.particleCount(); ++i)
        x = std::min(x, body.particleAt(i)->position.x);
    return x;
}

} // namespace

TEST(SceneRandom, ClassicSequenceFromAFixedStart)
{
    RandomSequence r;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int e : expected)
        EXPECT_EQ(r.next(), e);
    RandomSequence wide;
    for (int i = 0; i < 100000; ++i) {
        const int v = wide.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, RandomSequence::kMax);
    }
}

TEST(AddCharacter, PlacesTheGlyphAtTheInsertionPointAndAdvances)
{
    SceneRig rig; // 640 wide
    CLexfallView& v = rig.view;
    const double adv = v.m_pMesher->advanceWidth('A');
    ASSERT_GT(adv, 0.0);
    v.AddCharacter('A');

    ASSERT_EQ(v.m_pBodies.size(), 1u);
    ASSERT_EQ(v.m_pBodyTriangles.size(), 1u);
    ASSERT_EQ(v.m_pAdvances.size(), 1u);
    EXPECT_EQ(v.m_pAdvances[0], adv);
    EXPECT_EQ(v.m_vInsert, (Vector3{adv, 300, 0}));

    const ParticleSystem& body = *v.m_pBodies[0];
    ASSERT_GT(body.particleCount(), 0);
    EXPECT_EQ(body.restitution, 0.4);
    for (int i = 0; i < body.particleCount(); ++i) {
        const Vector3& p = body.particleAt(i)->position;
        EXPECT_GE(p.x, -1.0);
        EXPECT_LE(p.x, adv + 1.0);
        EXPECT_LE(p.y, 300.0 + 1e-9);
        EXPECT_GT(p.y, 300.0 - 64.0);
    }

    const auto& list = *v.m_pBodyTriangles[0];
    EXPECT_EQ(v.m_nPoints, static_cast<int>(list.size()));
    EXPECT_EQ(v.m_nPointCapacity, v.m_nPoints);
    for (int i = 0; i < v.m_nPointCapacity; ++i)
        EXPECT_EQ(v.m_pPoints[i], (IntPoint{0, 0}));
}

// A char of Latin-1 text above 0x7F is the character of its code, at the
// view's entry point and the mesher's alike, not a code beyond Unicode.
TEST(AddCharacter, LatinOneCharsAreTheirCodes)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    const char e = '\xe9';
    GlyphMesher& mesher = *v.m_pMesher;
    EXPECT_EQ(mesher.glyph(e), mesher.glyph(U'\u00e9'));
    EXPECT_EQ(mesher.advanceWidth(e), mesher.advanceWidth(U'\u00e9'));
    ASSERT_TRUE(mesher.triangulate(U'\u00e9', 30.0));
    const GlyphMesh accented = mesher.mesh();
    ASSERT_TRUE(mesher.triangulate(e, 30.0));
    EXPECT_EQ(mesher.mesh().size(), accented.size());
    v.AddCharacter(e);
    ASSERT_EQ(v.m_pAdvances.size(), 1u);
    EXPECT_EQ(v.m_pAdvances[0], mesher.advanceWidth(U'\u00e9'));
}

TEST(AddCharacter, ForcesGravityFirstThenStiffSprings)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    v.m_dDrag = 0.25;
    v.AddCharacter('A');
    v.m_vGravity = Vector3{5, 6, 0};

    const ParticleSystem& body = *v.m_pBodies[0];
    const auto* global = dynamic_cast<const MOTUSforceGlobal*>(body.forceAt(0));
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(global->targets, v.m_pBodyTriangles[0].get());
    EXPECT_EQ(global->acceleration, (Vector3{0, 100, 0})) << "a copy, not a reference";
    EXPECT_EQ(global->drag, 0.25);

    const int springs = body.forceCount() - 1;
    EXPECT_EQ(springs, static_cast<int>(v.m_pBodyTriangles[0]->size()));
    for (int i = 1; i < body.forceCount(); ++i) {
        const auto* s = dynamic_cast<const MOTUSforceSpring*>(body.forceAt(i));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->stiffness, 200.0);
        EXPECT_EQ(s->damping, 1.0);
    }
}

TEST(AddCharacter, SpinDependsOnModeAndDecaysBetweenKeys)
{
    SceneRig rig;
    CLexfallView& v = rig.view;

    v.AddCharacter('H');
    EXPECT_NEAR(spinOf(*v.m_pBodies.back()), 48.0, 1e-9);

    rig.tick(10);
    v.AddCharacter('H');
    EXPECT_NEAR(spinOf(*v.m_pBodies.back()), 48.0 * std::pow(10.0 / 11.0, 10), 1e-9);
    EXPECT_EQ(v.m_dSpin, 48.0);

    // A word in one go: first at the decayed rate, the rest at 48.
    rig.tick(3);
    rig.add("HH");
    EXPECT_NEAR(spinOf(*v.m_pBodies[v.m_pBodies.size() - 2]), 48.0 * std::pow(10.0 / 11.0, 3), 1e-9);
    EXPECT_NEAR(spinOf(*v.m_pBodies.back()), 48.0, 1e-9);

    v.OnModeManipulate();
    v.m_bLeftDown = true;
    v.AddCharacter('H');
    const ParticleSystem& still = *v.m_pBodies.back();
    for (int i = 0; i < still.particleCount(); ++i)
        EXPECT_EQ(still.particleAt(i)->velocity, Vector3{});
    EXPECT_EQ(v.m_dSpin, 48.0);

    // The firing nozzle scatters the spin over -12 .. 12 in 32767 steps.
    v.m_bWordsLoaded = true;
    v.OnModeNozzle();
    for (int k = 0; k < 8; ++k) {
        v.AddCharacter('H');
        const double w = spinOf(*v.m_pBodies.back());
        EXPECT_GE(w, -12.0);
        EXPECT_LE(w, 12.0);
        const double r = (w + 12.0) * 32767.0 / 24.0;
        EXPECT_NEAR(r, std::round(r), 1e-6);
    }
    // Nozzle mode without the button is the keyboard's spin.
    v.m_bLeftDown = false;
    rig.tick();
    v.AddCharacter('H');
    EXPECT_NEAR(spinOf(*v.m_pBodies.back()), 48.0 / 1.1, 1e-9);
}

TEST(AddCharacter, RightMarginScrollsTheWholeSceneAtItsLimit)
{
    SceneRig rig(640, 480); // limit 640 - 48 / 4 = 628
    CLexfallView& v = rig.view;
    const double a = v.m_pMesher->advanceWidth('A');
    v.AddCharacter('A');
    const ParticleSystem& first = *v.m_pBodies[0];
    const double firstX = minX(first);

    v.m_vInsert.x = 628.0 - a;
    v.AddCharacter('A');
    EXPECT_EQ(v.m_vInsert.x, 628.0) << "exactly at the limit does not scroll";
    EXPECT_EQ(v.m_pAdvances.size(), 2u);
    EXPECT_EQ(minX(first), firstX);

    // A reference body placed where the next one lands before scrolling.
    SceneRig wide(4000, 480);
    wide.view.m_vInsert.x = 628.5 - a;
    wide.view.AddCharacter('A');

    v.m_vInsert.x = 628.5 - a;
    v.AddCharacter('A');
    EXPECT_DOUBLE_EQ(v.m_vInsert.x, 628.5 - a);
    ASSERT_EQ(v.m_pAdvances.size(), 2u);
    EXPECT_DOUBLE_EQ(minX(first), firstX - a);
    EXPECT_DOUBLE_EQ(minX(*v.m_pBodies[1]), 628.0 - a + firstX - a) << "every body scrolls, wherever it is";
    EXPECT_DOUBLE_EQ(minX(*v.m_pBodies[2]), minX(*wide.view.m_pBodies[0]) - a) << "the new one too";
    EXPECT_LT(v.m_pAdvances.size(), v.m_pBodies.size());
}

TEST(AddCharacter, ScrollDropsOldestAdvancesUntilInside)
{
    SceneRig rig(640, 480);
    CLexfallView& v = rig.view;
    rig.add("iWi");
    const double i = v.m_pMesher->advanceWidth('i');
    const double w = v.m_pMesher->advanceWidth('W');
    ASSERT_GT(w, 2 * i);

    // Landing at 628 + w/2 + i drops the first "i", still beyond the
    // limit drops the "W", and stops at 628 - w/2.
    v.m_vInsert.x = 628.0 + w / 2;
    v.AddCharacter('i');
    EXPECT_DOUBLE_EQ(v.m_vInsert.x, 628.0 - w / 2);
    ASSERT_EQ(v.m_pAdvances.size(), 2u);
    EXPECT_EQ(v.m_pAdvances[0], i);
    EXPECT_EQ(v.m_pAdvances[1], i);
    EXPECT_EQ(rig.bodyCount(), 4);
}

TEST(AddCharacter, NoStoredAdvanceStopsTheScroll)
{
    SceneRig rig(20, 480); // limit 8
    CLexfallView& v = rig.view;
    const double w = v.m_pMesher->advanceWidth('W');
    v.AddCharacter('W');
    EXPECT_EQ(v.m_vInsert.x, w) << "nothing to undo: the insertion point stays";
    v.AddCharacter('W');
    EXPECT_EQ(v.m_vInsert.x, w);
    EXPECT_EQ(v.m_pAdvances.size(), 1u);
    EXPECT_EQ(rig.bodyCount(), 2);
    // The one scroll step undid the first W's advance for both bodies.
    EXPECT_DOUBLE_EQ(minX(*v.m_pBodies[1]), minX(*v.m_pBodies[0]) + w);
}

TEST(AddCharacter, PointBufferCoversEveryBodyAfterRemovals)
{
    SceneRig rig;
    CLexfallView& v = rig.view;
    rig.add("AB");
    const int twoBodies = v.m_nPointCapacity;
    v.m_pBodies[0]->translate(Vector3{0, 5000, 0});
    rig.tick();
    ASSERT_EQ(rig.bodyCount(), 1);
    rig.add("C");
    EXPECT_EQ(v.m_nPoints, rig.triangleEntries());
    EXPECT_GE(v.m_nPointCapacity, v.m_nPoints);
    EXPECT_EQ(v.m_nPointCapacity, std::max(twoBodies, v.m_nPoints));

    // The count stays exact through Backspace, Enter and lists changed by
    // hand between additions.
    v.OnChar(8, 1, 0);
    rig.add("D");
    EXPECT_EQ(v.m_nPoints, rig.triangleEntries());
    v.m_pBodyTriangles.back()->pop_back();
    v.m_pBodyTriangles.push_back(std::make_unique<CLexfallView::TriangleList>());
    v.m_pBodies.push_back(std::make_unique<ParticleSystem>(0.4));
    rig.add("E");
    EXPECT_EQ(v.m_nPoints, rig.triangleEntries());
    v.OnChar(13, 1, 0);
    rig.add("F");
    EXPECT_EQ(v.m_nPoints, rig.triangleEntries());
}
