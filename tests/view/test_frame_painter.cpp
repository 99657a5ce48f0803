#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "render/RasterDrawContext.h"
#include "support/ViewFixture.h"
#include "view/FramePainter.h"

// The frame the window shows, on the scene the raster tests draw: folded
// nozzle words, the cursor and the compass. Without smooth edges it is,
// pixel for pixel, what drawing each triangle as its own polygon gave.
TEST(FramePainter, WithoutSmoothEdgesEveryPixelIsAsBefore)
{
    constexpr int kWidth = 480;
    constexpr int kHeight = 360;
    const Rgb white{255, 255, 255};
    SceneRig rig(kWidth, kHeight);
    CLexfallView& view = rig.view;
    addFoldingLetters(view);
    // A running timer: the painter then paints in bands.
    view.StartAnimationTimer();
    ASSERT_GT(view.m_nPoints, 300);

    for (bool wireframe : {false, true}) {
        SCOPED_TRACE(wireframe ? "wireframe" : "shaded");
        view.m_bWireframe = wireframe;
        FramePainter painter;
        const RasterFrame& now = painter.paint(view, kWidth, kHeight, white);

        RasterFrame before;
        before.resize(kWidth, kHeight);
        before.clear(white);
        RasterDrawContext dc(before);
        if (wireframe) {
            dc.selectPen(*view.m_pPen);
            dc.selectNullBrush();
        } else {
            dc.setWindingFill();
            dc.selectNullPen();
            dc.selectBrush(*view.m_pBrush);
        }
        dc.DrawContext::triangles(view.m_pPoints.get(), view.m_nPoints, {});
        view.DrawCursor(dc);
        view.DrawCompass(dc);

        int differing = 0;
        int ink = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                differing += now.at(x, y) != before.at(x, y);
                ink += before.at(x, y) != RasterFrame::pixel(white);
            }
        EXPECT_GT(ink, 5000);
        EXPECT_EQ(differing, 0);
    }
}

// A scene that stands still paints the same frame again: the painter says
// so, and says no as soon as anything it draws changes, or while the scene
// moves.
TEST(FramePainter, HoldsTheFrameOfAStillSceneUntilSomethingDrawnChanges)
{
    constexpr int kWidth = 320;
    constexpr int kHeight = 240;
    const Rgb white{255, 255, 255};
    SceneRig rig(kWidth, kHeight);
    CLexfallView& view = rig.view;
    FramePainter painter;
    const auto holds = [&] { return painter.holds(view, kWidth, kHeight, white); };
    EXPECT_FALSE(holds()) << "nothing painted yet";
    painter.paint(view, kWidth, kHeight, white);
    rig.tick();
    EXPECT_TRUE(holds()) << "an empty scene";
    EXPECT_FALSE(painter.holds(view, kWidth + 1, kHeight, white));
    EXPECT_FALSE(painter.holds(view, kWidth, kHeight, Rgb{0, 0, 0}));

    // Letters typed into the paused scene: their points come with the tick.
    view.m_vInsert = Vector3{20.0, 100.0, 0.0};
    rig.add("Ab");
    painter.paint(view, kWidth, kHeight, white);
    rig.tick();
    EXPECT_FALSE(holds());
    painter.paint(view, kWidth, kHeight, white);
    rig.tick(3);
    ASSERT_TRUE(holds());
    FramePainter fresh;
    const RasterFrame& again = fresh.paint(view, kWidth, kHeight, white);
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            differing += again.at(x, y) != painter.frame().at(x, y);
    EXPECT_EQ(differing, 0);

    const std::vector<std::function<void()>> changes = {
        [&] { view.m_bWireframe = !view.m_bWireframe; },
        [&] { view.m_bSmooth = !view.m_bSmooth; },
        [&] { view.m_bShowCursor = !view.m_bShowCursor; },
        [&] { view.m_vInsert.x = -view.m_vInsert.x; },
        [&] { view.m_bShowCompass = !view.m_bShowCompass; },
        [&] { view.m_dCompassX = -view.m_dCompassX; },
        [&] { view.m_dCompassRadius = -view.m_dCompassRadius; },
        [&] { view.m_ptNeedle.y = -view.m_ptNeedle.y; },
        [&] { view.m_dGravityStrength = -view.m_dGravityStrength; },
        [&] { view.m_pPen->colour.red ^= 1; },
        [&] { view.m_pBrush->colour.green ^= 1; },
        [&] { view.m_pPoints[0].x ^= 1; },
        [&] { view.m_bodyPoints.front() ^= 1; },
    };
    for (std::size_t k = 0; k < changes.size(); ++k) {
        changes[k]();
        EXPECT_FALSE(holds()) << "change " << k;
        changes[k]();
        EXPECT_TRUE(holds()) << "change " << k << " undone";
    }

    view.m_bAnimate = true;
    rig.tick();
    EXPECT_FALSE(holds());
    painter.paint(view, kWidth, kHeight, white);
    EXPECT_FALSE(holds()) << "a moving scene is painted afresh";
}
