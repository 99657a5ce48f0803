#include <gtest/gtest.h>

#include <vector>

#include "render/DrawCalls.h"
#include "support/RecordingDrawContext.h"
#include "support/ViewFixture.h"

namespace {

using Kind = DrawCall::Kind;

std::vector<DrawCall> concat(std::vector<DrawCall> a, const std::vector<DrawCall>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void putTwoTriangles(CLexfallView& view)
{
    view.EnsurePointCapacity(6);
    const IntPoint points[6] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}};
    for (int i = 0; i < 6; ++i)
        view.m_pPoints[i] = points[i];
    view.m_nPoints = 6;
}

} // namespace

TEST(SceneDrawing, FirstPaintStartsTheTimerOnceAndDrawsTheCursor)
{
    SceneRig rig;
    RecordingDrawContext dc;
    rig.view.OnDraw(dc);
    ASSERT_EQ(rig.window.timerRequests.size(), 1u);
    EXPECT_EQ(rig.window.timerRequests[0], (FakeWindow::TimerRequest{333, 16}));
    EXPECT_EQ(rig.view.m_nTimerID, 333u);

    const std::vector<DrawCall> shadedSetup = {DrawCall::windingFill(), DrawCall::selectNullPen(),
                                               DrawCall::selectBrush(kBlackBrush)};
    EXPECT_EQ(dc.calls, concat(shadedSetup, cursorCalls(rig.view)));

    RecordingDrawContext again;
    rig.view.OnDraw(again);
    EXPECT_EQ(rig.window.timerRequests.size(), 1u);
    EXPECT_EQ(again.calls, dc.calls);
}

TEST(SceneDrawing, RefusedTimerIsAskedForAgainOnEveryPaint)
{
    SceneRig rig;
    rig.window.refuseTimers = true;
    RecordingDrawContext dc;
    rig.view.OnDraw(dc);
    rig.view.OnDraw(dc);
    EXPECT_EQ(rig.window.timerRequests.size(), 2u);
    EXPECT_EQ(rig.view.m_nTimerID, 0u);

    rig.window.refuseTimers = false;
    rig.view.OnDraw(dc);
    rig.view.OnDraw(dc);
    EXPECT_EQ(rig.window.timerRequests.size(), 3u);
    EXPECT_EQ(rig.view.m_nTimerID, 333u);
}

TEST(SceneDrawing, ShadedAndWireframeDrawTheSameTrianglesInBufferOrder)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    putTwoTriangles(view);
    view.m_bShowCursor = false;
    const std::vector<DrawCall> triangles = {DrawCall::polygon({{1, 2}, {3, 4}, {5, 6}}),
                                             DrawCall::polygon({{7, 8}, {9, 10}, {11, 12}})};

    RecordingDrawContext shaded;
    view.OnDraw(shaded);
    EXPECT_EQ(shaded.calls, concat({DrawCall::windingFill(), DrawCall::selectNullPen(), DrawCall::selectBrush(kBlackBrush)},
                                   triangles));

    view.OnDisplayWireframe();
    RecordingDrawContext wire;
    view.OnDraw(wire);
    EXPECT_EQ(wire.calls, concat({DrawCall::selectPen(kBlackPen), DrawCall::selectNullBrush()}, triangles));

    // Only the points in use are drawn.
    view.m_nPoints = 3;
    RecordingDrawContext fewer;
    view.OnDraw(fewer);
    EXPECT_EQ(fewer.count(Kind::Polygon), 1);
}

TEST(SceneDrawing, OverlaysComeAfterTheBodiesCursorFirst)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    putTwoTriangles(view);
    view.OnDisplayShowCompass();

    RecordingDrawContext dc;
    view.OnDraw(dc);
    const std::vector<DrawCall> bodies(dc.calls.begin(), dc.calls.begin() + 5);
    EXPECT_EQ(bodies.back(), DrawCall::polygon({{7, 8}, {9, 10}, {11, 12}}));
    const std::vector<DrawCall> overlays(dc.calls.begin() + 5, dc.calls.end());
    EXPECT_EQ(overlays, concat(cursorCalls(view), compassCalls(view)));

    view.OnDisplayShowCursor();
    RecordingDrawContext noCursor;
    view.OnDraw(noCursor);
    EXPECT_EQ(std::vector<DrawCall>(noCursor.calls.begin() + 5, noCursor.calls.end()), compassCalls(view));
}

TEST(SceneDrawing, WithoutABufferOnlyTheOverlaysAreDrawn)
{
    SceneRig rig;
    rig.view.m_pPoints.reset();
    RecordingDrawContext dc;
    rig.view.OnDraw(dc);
    EXPECT_EQ(dc.calls, cursorCalls(rig.view));
}

TEST(SceneDrawing, PaintBetweenAddingAndTheNextTickStaysInsideTheBuffer)
{
    SceneRig rig;
    CLexfallView& view = rig.view;
    rig.tick();
    rig.add("Wg");
    ASSERT_LE(view.m_nPoints, view.m_nPointCapacity);
    ASSERT_GT(view.m_nPoints, 0) << "the font did not load";

    RecordingDrawContext dc;
    view.OnDraw(dc);
    EXPECT_EQ(dc.count(Kind::Polygon), view.m_nPoints / 3);

    // The tick fills in the very points the paint walks.
    rig.tick();
    RecordingDrawContext after;
    view.OnDraw(after);
    const std::vector<DrawCall> polygons = after.only(Kind::Polygon);
    ASSERT_EQ(static_cast<int>(polygons.size()), view.m_nPoints / 3);
    EXPECT_EQ(polygons.front(), DrawCall::polygon(&view.m_pPoints[0], 3));
}
