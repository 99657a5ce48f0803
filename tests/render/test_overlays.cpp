#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "render/DrawCalls.h"
#include "support/RecordingDrawContext.h"
#include "support/ViewFixture.h"

namespace {

// The needle's calls of a compass centred at (300, 300) with the needle
// point at the given offset: everything after the hub.
std::vector<DrawCall> needleCalls(CLexfallView& view, int dx, int dy)
{
    view.m_dCompassX = 300.0;
    view.m_dCompassY = 300.0;
    view.m_ptNeedle = IntPoint{300 + dx, 300 + dy};
    RecordingDrawContext dc;
    view.DrawNeedle(dc);
    return dc.calls;
}

} // namespace

TEST(Cursor, RingAndFourArmsWithTheLongArmToTheRight)
{
    SceneRig rig;
    const std::vector<DrawCall> expected = {
        DrawCall::selectPen(kBlackPen),   DrawCall::selectNullBrush(),
        DrawCall::ellipse(-5, 295, 5, 305), //
        DrawCall::moveTo(0, 285),         DrawCall::lineTo(0, 295),
        DrawCall::moveTo(0, 305),         DrawCall::lineTo(0, 315),
        DrawCall::moveTo(-15, 300),       DrawCall::lineTo(-5, 300),
        DrawCall::moveTo(5, 300),         DrawCall::lineTo(25, 300),
    };
    EXPECT_EQ(cursorCalls(rig.view), expected);
}

TEST(Cursor, CoordinatesTruncateTowardZero)
{
    SceneRig rig;
    rig.view.m_vInsert = Vector3(2.7, -1.5, 0.0);
    const std::vector<DrawCall> expected = {
        DrawCall::selectPen(kBlackPen),  DrawCall::selectNullBrush(),
        DrawCall::ellipse(-2, -6, 7, 3), //
        DrawCall::moveTo(2, -16),        DrawCall::lineTo(2, -6),
        DrawCall::moveTo(2, 3),          DrawCall::lineTo(2, 13),
        DrawCall::moveTo(-12, -1),       DrawCall::lineTo(-2, -1),
        DrawCall::moveTo(7, -1),         DrawCall::lineTo(27, -1),
    };
    EXPECT_EQ(cursorCalls(rig.view), expected);
}

TEST(Compass, InitialDialHubAndNeedle)
{
    SceneRig rig;
    const std::vector<DrawCall> expected = {
        DrawCall::selectPen(kBlackPen),
        DrawCall::selectNullBrush(),
        DrawCall::ellipse(200, 200, 400, 400),
        DrawCall::selectBrush(kBlackBrush),
        DrawCall::ellipse(295, 295, 305, 305),
        DrawCall::moveTo(300, 283),
        DrawCall::lineTo(300, 317),
        DrawCall::selectBrush(kBlackBrush),
        DrawCall::polygon({{300, 327}, {295, 312}, {300, 317}, {305, 312}, {300, 327}}),
        DrawCall::ellipse(295, 278, 305, 288),
    };
    EXPECT_EQ(compassCalls(rig.view), expected);
}

TEST(Needle, StraightDownRightAndUpLeft)
{
    SceneRig rig;
    CLexfallView& view = rig.view;

    const std::vector<DrawCall> down = {
        DrawCall::moveTo(300, 260),
        DrawCall::lineTo(300, 340),
        DrawCall::selectBrush(kBlackBrush),
        DrawCall::polygon({{300, 350}, {295, 335}, {300, 340}, {305, 335}, {300, 350}}),
        DrawCall::ellipse(295, 255, 305, 265),
    };
    EXPECT_EQ(needleCalls(view, 0, 40), down);

    // A quarter turn short of the decimal 2 pi: turned coordinates that
    // land a hair below a whole number lose a pixel.
    const std::vector<DrawCall> right = {
        DrawCall::moveTo(280, 300),
        DrawCall::lineTo(320, 300),
        DrawCall::selectBrush(kBlackBrush),
        DrawCall::polygon({{330, 300}, {315, 304}, {320, 300}, {316, 295}, {330, 300}}),
        DrawCall::ellipse(275, 295, 285, 305),
    };
    EXPECT_EQ(needleCalls(view, 20, 0), right);

    const std::vector<DrawCall> upLeft = {
        DrawCall::moveTo(330, 340),
        DrawCall::lineTo(270, 260),
        DrawCall::selectBrush(kBlackBrush),
        DrawCall::polygon({{264, 252}, {277, 261}, {270, 260}, {269, 267}, {264, 252}}),
        DrawCall::ellipse(325, 335, 335, 345),
    };
    EXPECT_EQ(needleCalls(view, -30, -40), upLeft);
}

TEST(Needle, NothingWithinThreePixels)
{
    SceneRig rig;
    EXPECT_TRUE(needleCalls(rig.view, 0, 0).empty());
    EXPECT_TRUE(needleCalls(rig.view, 3, 0).empty());
    EXPECT_TRUE(needleCalls(rig.view, 2, -2).empty());
    EXPECT_EQ(needleCalls(rig.view, 0, -4).size(), 5u);
    EXPECT_EQ(needleCalls(rig.view, 3, 1).size(), 5u);

    // The offset is truncated before its length is taken: 3.9 counts as 3.
    rig.view.m_ptNeedle = IntPoint{303, 300};
    rig.view.m_dCompassX = 299.1;
    rig.view.m_dCompassY = 300.0;
    RecordingDrawContext dc;
    rig.view.DrawNeedle(dc);
    EXPECT_TRUE(dc.calls.empty());
}

TEST(Gravity, CubeOfTheNeedleOffset)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    EXPECT_EQ(view.m_vGravity, Vector3(0.0, 100.0, 0.0)); // not derived from the needle

    const auto gravityAt = [&view](int dx, int dy) {
        view.SetNeedle(IntPoint{static_cast<int>(view.m_dCompassX) + dx, static_cast<int>(view.m_dCompassY) + dy});
        return view.m_vGravity;
    };

    Vector3 g = gravityAt(0, 17);
    EXPECT_DOUBLE_EQ(g.x, 0.0);
    EXPECT_NEAR(g.y, 98.26, 1e-9);
    g = gravityAt(20, 0);
    EXPECT_NEAR(g.x, 160.0, 1e-9);
    EXPECT_DOUBLE_EQ(g.y, 0.0);
    g = gravityAt(50, 0);
    EXPECT_NEAR(g.x, 2500.0, 1e-9);
    g = gravityAt(-30, -40);
    EXPECT_NEAR(g.x, -540.0, 1e-9);
    EXPECT_NEAR(g.y, -1280.0, 1e-9);
    EXPECT_DOUBLE_EQ(g.z, 0.0);
    g = gravityAt(3, 0);
    EXPECT_NEAR(g.x, 0.54, 1e-12);
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{303, 300}));

    EXPECT_EQ(gravityAt(0, 0), Vector3(0.0, 0.0, 0.0));
    EXPECT_EQ(gravityAt(2, 2), Vector3(0.0, 0.0, 0.0));

    // The centre counts as stored, not truncated: 2.5 pixels is too close.
    view.m_dCompassX = 300.5;
    view.SetNeedle(IntPoint{303, 300});
    EXPECT_EQ(view.m_vGravity, Vector3(0.0, 0.0, 0.0));
    view.SetNeedle(IntPoint{304, 300});
    EXPECT_NEAR(view.m_vGravity.x, 0.02 * 3.5 * 3.5 * 3.5, 1e-12);
}

TEST(Compass, MovingKeepsTheNeedleOffsetAndTheGravity)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.SetNeedle(IntPoint{310, 280});
    const Vector3 gravity = view.m_vGravity;

    view.MoveCompass(IntPoint{100, 50});
    EXPECT_DOUBLE_EQ(view.m_dCompassX, 100.0);
    EXPECT_DOUBLE_EQ(view.m_dCompassY, 50.0);
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{110, 30}));
    EXPECT_EQ(view.m_vGravity, gravity);

    // Fractional offsets truncate toward zero on both sides.
    view.m_dCompassX = 300.5;
    view.m_dCompassY = 299.5;
    view.m_ptNeedle = IntPoint{310, 290};
    view.MoveCompass(IntPoint{0, 0});
    EXPECT_EQ(view.m_ptNeedle, (IntPoint{9, -9}));
}

TEST(Compass, HitAreasTruncateTheirEdges)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    EXPECT_EQ(view.CompassSquare(), (IntRect{200, 200, 400, 400}));
    EXPECT_EQ(view.CompassCentreBox(), (IntRect{295, 295, 305, 305}));

    view.m_dCompassX = -0.5;
    view.m_dCompassY = 10.7;
    EXPECT_EQ(view.CompassSquare(), (IntRect{-100, -89, 99, 110}));
    EXPECT_EQ(view.CompassCentreBox(), (IntRect{-5, 5, 4, 15}));
}

TEST(Compass, ArithmeticAtTheEndsOfTheIntRangeSaturates)
{
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    SceneRig rig;
    CLexfallView& view = rig.view;
    view.MoveCompass(IntPoint{kMin, kMax});
    view.m_bShowCompass = true;
    view.m_ptNeedle = IntPoint{kMin + 40, kMax};
    RecordingDrawContext dc;
    view.OnDraw(dc); // under the sanitizers, any overflow would stop here

    // The shaft runs from the tail, clamped at the left end, to beyond the
    // needle point.
    const auto move = std::find_if(dc.calls.begin(), dc.calls.end(), [](const DrawCall& call) {
        return call == DrawCall::moveTo(kMin, kMax);
    });
    EXPECT_NE(move, dc.calls.end());
    EXPECT_EQ(view.m_vGravity, (Vector3{0.0, 100.0, 0.0}));
}
