#pragma once

#include "render/RasterDrawContext.h"
#include "render/RasterFrame.h"

class CLexfallView;

// Paints the scene into a raster frame as the window shows it: cleared to
// the background, then the view's own drawing. With two processors the
// upper and the lower band of the frame are painted at once, split where
// about half the triangles' corners lie; the picture is the same.
class FramePainter {
public:
    const RasterFrame& paint(CLexfallView& view, int width, int height, Rgb background);
    RasterFrame& frame() { return m_frame; }

private:
    RasterFrame m_frame;
    // Kept between frames, so that painting allocates nothing.
    RasterDrawContext m_upper{m_frame};
    RasterDrawContext m_lower{m_frame};
};
