#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/DrawContext.h"
#include "platform/Geometry.h"
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
    // Whether the frame already holds what paint would give now: nothing
    // the view draws has changed since. Known only of a scene that stands
    // still (paused or empty); a moving one is always painted afresh.
    bool holds(const CLexfallView& view, int width, int height, Rgb background) const;
    RasterFrame& frame() { return m_frame; }

private:
    // Everything a frame is painted from but the bodies' points.
    struct Drawn {
        int width = 0;
        int height = 0;
        Rgb background;
        Pen pen;
        Brush brush;
        bool wireframe = false;
        bool smooth = false;
        bool cursor = false;
        double cursorX = 0.0;
        double cursorY = 0.0;
        bool compass = false;
        double compassX = 0.0;
        double compassY = 0.0;
        double compassRadius = 0.0;
        IntPoint needle;
        double gravityStrength = 0.0;

        bool operator==(const Drawn&) const = default;
    };
    static Drawn drawnOf(const CLexfallView& view, int width, int height, Rgb background);
    void keep(const CLexfallView& view, int width, int height, Rgb background);

    RasterFrame m_frame;
    // Kept between frames, so that painting allocates nothing.
    std::vector<std::unique_ptr<RasterDrawContext>> m_bands;
    std::vector<int> m_rows;
    // What the frame was painted from, while the scene stands still; none
    // while it moves.
    std::optional<Drawn> m_drawn;
    std::vector<IntPoint> m_points;
    std::vector<int> m_bodyPoints;
};
