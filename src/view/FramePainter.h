#pragma once

#include <memory>
#include <vector>

#include "render/RasterDrawContext.h"
#include "render/RasterFrame.h"

class CLexfallView;

// Paints the scene into a raster frame as the window shows it: cleared to
// the background, then the view's own drawing. With the view's pool of
// several threads, bands of rows are painted at once, split where about
// equal numbers of the triangles' corners lie; the picture is the same.
class FramePainter {
public:
    const RasterFrame& paint(CLexfallView& view, int width, int height, Rgb background);
    RasterFrame& frame() { return m_frame; }

private:
    RasterFrame m_frame;
    // Kept between frames, so that painting allocates nothing.
    std::vector<std::unique_ptr<RasterDrawContext>> m_bands;
    std::vector<int> m_rows;
};
