#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "glyph/FontGlyph.h"
#include "glyph/GlyphMesher.h"
#include "glyph/InstallPaths.h"
#include "platform/KeyCodes.h"
#include "support/ViewFixture.h"

namespace {

void press(CLexfallView& view, unsigned code)
{
    view.OnChar(code, 1, 0);
}

// A hand-made body of two triangles sharing the edge p0-p2, so p0 and p2
// are listed twice: enough to see every entry pushed.
void addSquareBody(SceneRig& rig, double x, double y)
{
    CLexfallView& view = rig.view;
    auto body = std::make_unique<ParticleSystem>(0.4);
    auto list = std::make_unique<CLexfallView::TriangleList>();
    Particle* p[4];
    const Vector3 corners[4] = {{x, y, 0}, {x + 10, y, 0}, {x + 10, y + 10, 0}, {x, y + 10, 0}};
    for (int i = 0; i < 4; ++i) {
        double tolerance = 0.0;
        p[i] = body->findOrAddParticle(corners[i], tolerance);
    }
    *list = {p[0], p[1], p[2], p[0], p[2], p[3]};
    view.m_pBodies.push_back(std::move(body));
    view.m_pBodyTriangles.push_back(std::move(list));
    view.EnsurePointCapacity(rig.triangleEntries());
}

std::map<const Particle*, Vector3> velocities(const CLexfallView& view)
{
    std::map<const Particle*, Vector3> out;
    for (const auto& list : view.m_pBodyTriangles)
        for (const Particle* p : *list)
            out[p] = p->velocity;
    return out;
}

void expectPushed(const SceneRig& rig, const std::map<const Particle*, Vector3>& before, double perEntryX)
{
    const auto counts = rig.entryCounts();
    for (const auto& [particle, v] : before) {
        const double expected = v.x + perEntryX * counts.at(particle);
        EXPECT_NEAR(particle->velocity.x, expected, 1e-9);
        EXPECT_NEAR(particle->velocity.y, v.y, 1e-9);
    }
}

} // namespace

TEST(Typing, OneCharacterPerTickAndNothingBeforeTheFirstTick)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    press(view, 'a');
    EXPECT_EQ(rig.bodyCount(), 0) << "no allowance before the first tick";

    rig.tick();
    const int invalidations = rig.window.erasingInvalidations;
    press(view, 'a');
    press(view, '.');
    EXPECT_EQ(rig.bodyCount(), 1);
    ASSERT_EQ(view.m_pAdvances.size(), 1u);
    EXPECT_DOUBLE_EQ(view.m_pAdvances[0], view.m_pMesher->advanceWidth('a'));
    EXPECT_NE(view.m_pMesher->advanceWidth('a'), view.m_pMesher->advanceWidth('.'));
    EXPECT_EQ(rig.window.erasingInvalidations, invalidations + 2) << "dropped keys repaint too";
    EXPECT_FALSE(view.m_bAdding);

    rig.tick();
    press(view, '.');
    EXPECT_EQ(rig.bodyCount(), 2);
    EXPECT_DOUBLE_EQ(view.m_pAdvances[1], view.m_pMesher->advanceWidth('.'));

    // A key arriving while a character is being added is dropped.
    rig.tick();
    view.m_bAdding = true;
    press(view, 'x');
    view.m_bAdding = false;
    EXPECT_EQ(rig.bodyCount(), 2);
    EXPECT_EQ(view.m_nCharsAllowed, 1);
}

// Cyrillic, Greek and the euro sign come from the default face itself,
// each its own glyph; a surrogate or a code beyond Unicode is no
// character and spends no allowance.
TEST(Typing, AnyCharacterOfTheFaceBecomesItsGlyph)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    FontFace face;
    ASSERT_TRUE(face.open((lexfallFontDirectory() + "arial.ttf").c_str()));
    FontInstance instance(&face);
    ASSERT_TRUE(instance.create() && instance.setResolutions(96, 96) && instance.setCharSize(48));

    rig.tick();
    press(view, 0xD800);
    press(view, 0x110000);
    EXPECT_EQ(rig.bodyCount(), 0);
    EXPECT_EQ(view.m_nCharsAllowed, 1);
    for (const unsigned c : {0x436u, 0x3A9u, 0x20ACu}) {
        press(view, c);
        rig.tick();
        ASSERT_NE(face.glyphIndexFor(c), 0u) << c;
        FontGlyph own(&instance);
        ASSERT_TRUE(own.create(static_cast<int>(c), face.glyphIndexFor(c)));
        GlyphOutline expected, used;
        ASSERT_TRUE(own.outline(expected));
        ASSERT_TRUE(view.m_pMesher->glyph(c)->outline(used));
        EXPECT_EQ(used.contourEnds, expected.contourEnds) << c;
        EXPECT_TRUE(std::equal(used.points.begin(), used.points.end(), expected.points.begin(),
                               [](auto a, auto b) { return a.x == b.x && a.y == b.y; }))
            << c;
        EXPECT_GT(view.m_pBodies.back()->particleCount(), 3) << c;
        EXPECT_EQ(view.m_pAdvances.back(), own.advance() / 64.0) << c;
    }
    EXPECT_EQ(rig.bodyCount(), 3);
}

TEST(Typing, EscTogglesAnimationAndAddsNothing)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    rig.tick();
    const int invalidations = rig.window.invalidations;
    press(view, keycode::Escape);
    EXPECT_TRUE(view.m_bAnimate);
    press(view, keycode::Escape);
    EXPECT_FALSE(view.m_bAnimate);
    EXPECT_EQ(rig.bodyCount(), 0);
    EXPECT_EQ(rig.window.invalidations, invalidations);
    press(view, 'a');
    EXPECT_EQ(rig.bodyCount(), 1) << "Esc spends no allowance";
}

TEST(Typing, EnterClearsTheSceneAndReturnsToTheLeftEdge)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    rig.tick();
    rig.type("ab");
    view.m_vInsert.y = 222.0;
    press(view, keycode::Enter);
    EXPECT_EQ(rig.bodyCount(), 0);
    EXPECT_TRUE(view.m_pBodyTriangles.empty());
    EXPECT_TRUE(view.m_pAdvances.empty());
    EXPECT_EQ(view.m_vInsert, Vector3(0.0, 222.0, 0.0));
}

TEST(Typing, BackspaceRemovesTheNewestBodyAndStepsBackByTheNewestAdvance)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    press(view, keycode::Backspace);
    EXPECT_EQ(view.m_vInsert, Vector3(0.0, 300.0, 0.0)) << "nothing to remove, nothing moves";

    rig.tick();
    rig.type("W.");
    const double w = view.m_pMesher->advanceWidth('W');
    const double dot = view.m_pMesher->advanceWidth('.');
    ASSERT_NE(w, dot);
    EXPECT_NEAR(view.m_vInsert.x, w + dot, 1e-9);
    const ParticleSystem* first = view.m_pBodies[0].get();

    press(view, keycode::Backspace);
    ASSERT_EQ(rig.bodyCount(), 1);
    EXPECT_EQ(view.m_pBodies[0].get(), first);
    EXPECT_EQ(view.m_pBodyTriangles.size(), 1u);
    ASSERT_EQ(view.m_pAdvances.size(), 1u);
    EXPECT_DOUBLE_EQ(view.m_pAdvances[0], w);
    EXPECT_NEAR(view.m_vInsert.x, w, 1e-9);

    // Bodies left, advances gone (the line scrolled): the body goes, the
    // insertion point stays.
    view.m_pAdvances.clear();
    const Vector3 insert = view.m_vInsert;
    press(view, keycode::Backspace);
    EXPECT_EQ(rig.bodyCount(), 0);
    EXPECT_TRUE(view.m_pBodyTriangles.empty());
    EXPECT_EQ(view.m_vInsert, insert);
}

TEST(Mouse, LeftClickPlacesTheInsertionPointInEveryMode)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    const auto modes = {&CLexfallView::OnModeKeyboard, &CLexfallView::OnModeManipulate};
    int x = 50;
    for (auto mode : modes) {
        (view.*mode)();
        view.OnLButtonDown(0, IntPoint{x, 120});
        EXPECT_EQ(view.m_vInsert, Vector3(x, 120, 0));
        EXPECT_TRUE(view.m_bLeftDown);
        EXPECT_TRUE(rig.window.hasCapture());
        view.OnLButtonUp(0, IntPoint{x, 120});
        EXPECT_FALSE(view.m_bLeftDown);
        EXPECT_FALSE(rig.window.hasCapture());
        EXPECT_EQ(view.m_vInsert, Vector3(x, 120, 0)) << "release leaves it";
        x += 30;
    }
    rig.tick();
    press(view, 'a');
    EXPECT_GT(view.m_vInsert.x, 80.0);
    EXPECT_EQ(view.m_vInsert.y, 120.0);
}

TEST(Mouse, MovesCountOnlyWhileTheViewHoldsTheCapture)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.OnMouseMove(0, IntPoint{10, 10});
    EXPECT_EQ(view.m_vInsert, Vector3(0, 300, 0));

    view.OnLButtonDown(0, IntPoint{100, 100});
    view.OnMouseMove(0, IntPoint{110, 105});
    EXPECT_EQ(view.m_vInsert, Vector3(110, 105, 0));
    EXPECT_EQ(view.m_vMouse, Vector3(110, 105, 0));

    // Releasing the right button drops the shared capture; the left flag
    // stays set but moves are ignored until the next press.
    view.OnRButtonDown(0, IntPoint{500, 10});
    view.OnRButtonUp(0, IntPoint{500, 10});
    EXPECT_FALSE(rig.window.hasCapture());
    EXPECT_TRUE(view.m_bLeftDown);
    view.OnMouseMove(0, IntPoint{150, 150});
    EXPECT_EQ(view.m_vInsert, Vector3(110, 105, 0));

    // Release without the capture: nothing to release, flags still clear.
    const int releases = rig.window.releaseCalls;
    view.OnLButtonUp(0, IntPoint{150, 150});
    EXPECT_EQ(rig.window.releaseCalls, releases);
    EXPECT_FALSE(view.m_bLeftDown);
    EXPECT_EQ(view.m_vMouse, Vector3());
    EXPECT_EQ(view.m_vMousePrev, Vector3());
}

TEST(Mouse, ManipulationPushesEveryEntryByTheLastMoveEachTick)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    addSquareBody(rig, 100, 100);
    addSquareBody(rig, 300, 200);
    view.OnModeManipulate();

    view.OnLButtonDown(0, IntPoint{200, 200});
    auto before = velocities(view);
    rig.tick();
    expectPushed(rig, before, 0.0);

    view.OnMouseMove(0, IntPoint{210, 200});
    for (int i = 0; i < 3; ++i) {
        before = velocities(view);
        rig.tick();
        expectPushed(rig, before, 2.0);
    }

    // The pause does not stop the push: it waits in the velocities.
    EXPECT_FALSE(view.m_bAnimate);
    EXPECT_EQ(view.m_pBodies[0]->particleAt(0)->position, Vector3(100, 100, 0));

    view.OnMouseMove(0, IntPoint{210, 200});
    before = velocities(view);
    rig.tick();
    expectPushed(rig, before, 0.0);

    view.OnMouseMove(0, IntPoint{205, 200});
    view.OnLButtonUp(0, IntPoint{205, 200});
    before = velocities(view);
    rig.tick();
    expectPushed(rig, before, 0.0);

    // Outside Manipulate mode a drag moves only the insertion point.
    view.OnModeKeyboard();
    view.OnLButtonDown(0, IntPoint{200, 200});
    view.OnMouseMove(0, IntPoint{230, 200});
    before = velocities(view);
    rig.tick();
    expectPushed(rig, before, 0.0);
    EXPECT_EQ(view.m_vInsert, Vector3(230, 200, 0));
}

TEST(CompassInput, RightPressGrabsAtTheHubOrSetsTheNeedle)
{
    struct Case {
        IntPoint at;
        bool grabs;
    };
    // The hub box is [295, 305) both ways.
    const Case cases[] = {
        {{300, 300}, true}, {{304, 300}, true},  {{295, 300}, true},  {{300, 295}, true},
        {{305, 300}, false}, {{306, 300}, false}, {{300, 305}, false}, {{294, 300}, false},
    };
    for (const Case& c : cases) {
        SceneRig rig;
        CLexfallView& view = rig.view;
        view.OnRButtonDown(0, c.at);
        EXPECT_TRUE(view.m_bRightDown);
        EXPECT_TRUE(rig.window.hasCapture());
        EXPECT_EQ(view.m_bMovingCompass, c.grabs) << c.at.x << "," << c.at.y;
        if (c.grabs) {
            EXPECT_EQ(view.m_vGravity, Vector3(0, 100, 0));
            EXPECT_EQ(view.m_ptNeedle, (IntPoint{300, 317}));
        } else {
            EXPECT_EQ(view.m_ptNeedle, c.at);
        }
    }

    SceneRig rig;
    rig.view.OnRButtonDown(0, IntPoint{306, 300});
    EXPECT_NEAR(rig.view.m_vGravity.x, 4.32, 1e-12);
    EXPECT_EQ(rig.view.m_vGravity.y, 0.0);
    EXPECT_FALSE(rig.view.m_bShowCompass) << "a hidden compass still reacts";
    rig.view.OnRButtonUp(0, IntPoint{306, 300});
    EXPECT_FALSE(rig.view.m_bRightDown);
    EXPECT_FALSE(rig.window.hasCapture());
}

TEST(CompassInput, SquareEdgesAndDrags)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.OnRButtonDown(0, IntPoint{400, 300});
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{300, 317})) << "right edge is outside";
    view.OnMouseMove(0, IntPoint{200, 399});
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{200, 399})) << "left and top edges inside";
    view.OnMouseMove(0, IntPoint{250, 400});
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{200, 399})) << "outside the square the needle stays";
    view.OnRButtonUp(0, IntPoint{250, 400});

    // Grab the hub and drag: the whole compass follows, gravity unchanged.
    const Vector3 gravity = view.m_vGravity;
    view.OnRButtonDown(0, IntPoint{301, 302});
    view.OnMouseMove(0, IntPoint{500, 100});
    EXPECT_DOUBLE_EQ(view.m_dCompassX, 500.0);
    EXPECT_DOUBLE_EQ(view.m_dCompassY, 100.0);
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{400, 199}));
    EXPECT_EQ(view.m_vGravity, gravity);
    view.OnRButtonUp(0, IntPoint{500, 100});
    EXPECT_FALSE(view.m_bMovingCompass);

    // The left button wins a move while both are held.
    view.OnLButtonDown(0, IntPoint{450, 100});
    view.OnRButtonDown(0, IntPoint{450, 150});
    const IntPoint needle = view.m_ptNeedle;
    view.OnMouseMove(0, IntPoint{460, 120});
    EXPECT_EQ(view.m_ptNeedle, needle);
    EXPECT_EQ(view.m_vInsert, Vector3(460, 120, 0));
}

TEST(CompassInput, ManipulateModeIgnoresTheRightPressButNotTheDrag)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.OnModeManipulate();
    view.OnRButtonDown(0, IntPoint{300, 300});
    EXPECT_FALSE(view.m_bMovingCompass);
    view.OnRButtonUp(0, IntPoint{300, 300});
    view.OnRButtonDown(0, IntPoint{320, 300});
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{300, 317}));
    EXPECT_TRUE(rig.window.hasCapture());
    view.OnMouseMove(0, IntPoint{330, 300});
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{330, 300}));
    EXPECT_NEAR(view.m_vGravity.x, 540.0, 1e-9);
}

TEST(CompassInput, RightDoubleClickMovesAndTogglesIt)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.SetNeedle(IntPoint{310, 290});
    const Vector3 gravity = view.m_vGravity;

    view.OnRButtonDblClk(0, IntPoint{100, 150});
    EXPECT_TRUE(view.m_bShowCompass);
    EXPECT_DOUBLE_EQ(view.m_dCompassX, 100.0);
    EXPECT_DOUBLE_EQ(view.m_dCompassY, 150.0);
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{110, 140}));
    EXPECT_EQ(view.m_vGravity, gravity);
    EXPECT_FALSE(view.m_bRightDown);
    EXPECT_FALSE(rig.window.hasCapture());

    view.OnRButtonDblClk(0, IntPoint{400, 400});
    EXPECT_FALSE(view.m_bShowCompass);
    EXPECT_DOUBLE_EQ(view.m_dCompassX, 400.0);
}
