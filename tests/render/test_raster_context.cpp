// The raster drawing context: a frame cut into bands gives the picture of
// one whole frame, every drawing call clears its band before it writes,
// and nothing is written outside the band.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ScatteredShapes.h"
#include "render/RasterDrawContext.h"

namespace {

const Rgb kWhite{255, 255, 255};
const Pen kInkPen{Rgb{0, 0, 0}, 1};
const Brush kInk{Rgb{0, 0, 0}};

void shaded(DrawContext& dc)
{
    dc.setWindingFill();
    dc.selectNullPen();
    dc.selectBrush(kInk);
}

void wireframe(DrawContext& dc)
{
    dc.selectPen(kInkPen);
    dc.selectNullBrush();
}

} // namespace

TEST(RasterContext, BandsGiveThePictureOfOneFrame)
{
    const ScatteredShapes scattered;
    const auto draw = [&](bool smooth, bool wire, std::vector<int> cuts) {
        RasterFrame frame;
        frame.resize(ScatteredShapes::kWidth, ScatteredShapes::kHeight);
        cuts.insert(cuts.begin(), 0);
        cuts.push_back(frame.height());
        for (std::size_t band = 0; band + 1 < cuts.size(); ++band) {
            RasterDrawContext dc(frame);
            dc.setRows(cuts[band], cuts[band + 1]);
            dc.clear(kWhite);
            dc.setSmoothEdges(smooth);
            wire ? wireframe(dc) : shaded(dc);
            dc.triangles(scattered.points.data(), scattered.count(), scattered.shapes);
            dc.finish();
        }
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < frame.height(); ++y)
            pixels.insert(pixels.end(), frame.row(y), frame.row(y) + frame.width());
        return pixels;
    };
    for (bool smooth : {false, true})
        for (bool wire : {false, true}) {
            SCOPED_TRACE(std::string(smooth ? "smooth " : "") + (wire ? "wireframe" : "shaded"));
            EXPECT_EQ(draw(smooth, wire, {1, 23, 24, 51}), draw(smooth, wire, {}));
        }
}

TEST(RasterContext, EveryDrawingCallClearsItsBandBeforeItWrites)
{
    // Black ink on a white clear over a red frame: a pixel of the band
    // still red, or blended with red, would be a clear carried out late or
    // never; ink lost would be a clear carried out over the drawing.
    const IntPoint triangle[3] = {{2, 2}, {30, 14}, {8, 27}};
    const std::vector<std::pair<const char*, std::function<void(RasterDrawContext&)>>> calls = {
        {"shaded polygon", [&](RasterDrawContext& dc) { shaded(dc); dc.polygon(triangle, 3); }},
        {"outlined polygon", [&](RasterDrawContext& dc) { wireframe(dc); dc.polygon(triangle, 3); }},
        {"ellipse", [&](RasterDrawContext& dc) { wireframe(dc); dc.selectBrush(kInk); dc.ellipse(4, 4, 30, 26); }},
        {"line", [&](RasterDrawContext& dc) { wireframe(dc); dc.moveTo(1, 1); dc.lineTo(30, 28); }},
        {"shaded triangles", [&](RasterDrawContext& dc) { shaded(dc); dc.triangles(triangle, 3, {}); }},
        {"outlined triangles", [&](RasterDrawContext& dc) { wireframe(dc); dc.triangles(triangle, 3, {}); }},
        {"filled and outlined triangles",
         [&](RasterDrawContext& dc) { wireframe(dc); dc.selectBrush(kInk); dc.triangles(triangle, 3, {}); }},
        {"nothing", [&](RasterDrawContext& dc) { shaded(dc); dc.triangles(triangle, 2, {}); }},
    };
    constexpr int kTop = 10;
    constexpr int kEnd = 20;
    for (bool smooth : {false, true})
        for (const auto& [name, call] : calls) {
            SCOPED_TRACE(std::string(smooth ? "smooth " : "") + name);
            RasterFrame frame;
            frame.resize(32, 30);
            frame.clear(Rgb{255, 0, 0});
            RasterDrawContext dc(frame);
            dc.setRows(kTop, kEnd);
            dc.clear(kWhite);
            dc.setSmoothEdges(smooth);
            call(dc);
            dc.finish();
            int grey = 0;
            int inked = 0;
            int redOutside = 0;
            for (int y = 0; y < frame.height(); ++y)
                for (int x = 0; x < frame.width(); ++x) {
                    const std::uint32_t p = frame.at(x, y);
                    if (y < kTop || y >= kEnd) {
                        redOutside += p == 0xFF0000u;
                        continue;
                    }
                    grey += (p >> 16) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF);
                    inked += p != 0xFFFFFFu;
                }
            EXPECT_EQ(redOutside, 32 * (30 - (kEnd - kTop)));
            EXPECT_EQ(grey, 32 * (kEnd - kTop));
            EXPECT_EQ(inked > 0, std::string(name) != "nothing");
        }
}

TEST(RasterContext, AnEmptyFrameIsLeftAlone)
{
    RasterFrame frame;
    frame.resize(0, 0);
    RasterDrawContext dc(frame);
    dc.clear(kWhite);
    wireframe(dc);
    const IntPoint across[3] = {{-3, 1}, {8, 1}, {2, 9}};
    dc.polygon(across, 3);
    dc.ellipse(0, 0, 4, 4);
    dc.lineTo(5, 5);
    dc.triangles(across, 3, {});
    dc.finish();
    EXPECT_EQ(frame.width(), 0);
}
