// The frame the window shows, on the scene the raster tests draw: folded
// nozzle words, the cursor and the compass. Without smooth edges it is,
// pixel for pixel, what drawing each triangle as its own polygon gave.
#include <gtest/gtest.h>

#include "render/RasterDrawContext.h"
#include "support/ViewFixture.h"
#include "view/FramePainter.h"

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
