// The mask fill takes exactly the pixels the aliased shapes take one
// triangle at a time, in bands cut anywhere, its pending clear included.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "ScatteredShapes.h"
#include "render/AliasedPainter.h"
#include "render/MaskFill.h"

TEST(MaskFill, TakesThePixelsOfEachTriangleFilledAlone)
{
    const Rgb white{255, 255, 255};
    constexpr std::uint32_t ink = RasterFrame::pixel(Rgb{0, 0, 0});
    const ScatteredShapes scattered;

    RasterFrame alone;
    alone.resize(ScatteredShapes::kWidth, ScatteredShapes::kHeight);
    alone.clear(white);
    RasterBand whole(alone);
    AliasedPainter aliased;
    for (int i = 0; i + 3 <= scattered.count(); i += 3)
        aliased.polygon(whole, Ink{.hasBrush = true, .winding = true, .brush = ink}, scattered.points.data() + i, 3);
    int inked = 0;
    for (int y = 0; y < ScatteredShapes::kHeight; ++y)
        for (int x = 0; x < ScatteredShapes::kWidth; ++x)
            inked += alone.at(x, y) == ink;
    ASSERT_GT(inked, 1000);

    for (const std::vector<int>& cuts : {std::vector<int>{0, ScatteredShapes::kHeight},
                                         std::vector<int>{0, 1, 23, 24, 51, ScatteredShapes::kHeight}}) {
        RasterFrame masked;
        masked.resize(ScatteredShapes::kWidth, ScatteredShapes::kHeight);
        MaskFill fill;
        for (std::size_t b = 0; b + 1 < cuts.size(); ++b) {
            RasterBand band(masked);
            band.setRows(cuts[b], cuts[b + 1]);
            band.clear(white);
            fill.fill(band, ink, scattered.points.data(), scattered.count());
            band.settle();
        }
        int differing = 0;
        for (int y = 0; y < ScatteredShapes::kHeight; ++y)
            for (int x = 0; x < ScatteredShapes::kWidth; ++x)
                differing += masked.at(x, y) != alone.at(x, y);
        EXPECT_EQ(differing, 0) << cuts.size() - 1 << " bands";
    }
}

// Triangles right of the frame on its last rows, one of a letter flung far
// off: those rows mark nothing, within the frame's words (the sanitizer
// pass sees a write past the row).
TEST(MaskFill, TrianglesPassingRightOfTheFrameMarkNothing)
{
    constexpr std::uint32_t ink = RasterFrame::pixel(Rgb{0, 0, 0});
    RasterFrame frame;
    frame.resize(64, 4);
    frame.clear(Rgb{255, 255, 255});
    RasterBand band(frame);
    MaskFill fill;
    const IntPoint far[6] = {{100000000, 0}, {100000000, 10}, {0, 10}, {100, 0}, {100, 10}, {70, 10}};
    fill.fill(band, ink, far, 6);
    band.settle();
    int inked = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x)
            inked += frame.at(x, y) == ink;
    EXPECT_EQ(inked, 0);
}
