#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "platform/DrawContext.h"
#include "render/RasterFrame.h"

// The view's drawing operations into a RasterFrame, without antialiasing,
// covering the pixels the desktop toolkit's own drawing covers:
// - a fill takes the pixels whose centre lies inside the shape (nonzero or
//   even-odd); while a pen is selected the toolkit moves the whole path by
//   half a pixel, so then a fill takes the pixels whose corner lies inside;
// - an outline is one pixel wide and includes both ends of every line;
// - ellipses are those inscribed in their box, outlined and filled alike.
// Nothing outside the frame is ever written, and the work is bounded by the
// visible part of a shape, however far out its coordinates lie.
class RasterDrawContext final : public DrawContext {
public:
    explicit RasterDrawContext(RasterFrame& frame) : m_frame(frame) {}

    // Draw only rows [top, end) of the frame: contexts on disjoint bands
    // of one frame can draw the same picture at once.
    void setRows(int top, int end);

    void selectPen(const Pen& pen) override;
    void selectBrush(const Brush& brush) override;
    void selectNullPen() override;
    void selectNullBrush() override;
    void setWindingFill() override;
    void polygon(const IntPoint* points, int count) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;

private:
    // Where an edge crosses a row: the first pixel right of it.
    struct Crossing {
        int pixel;
        int direction;
    };

    int rowTop() const;
    int rowEnd() const;

    // Where fills sample a pixel, from its top-left corner.
    double sampleOffset() const { return m_hasPen ? 0.0 : 0.5; }

    void fillTriangle(IntPoint a, IntPoint b, IntPoint c);
    void fillPolygon(const IntPoint* points, int count);
    void line(IntPoint from, IntPoint to);
    void farLine(IntPoint from, IntPoint to);
    // Fills row y from pixel `begin` (inclusive) to `end` (exclusive),
    // both already clipped to the frame.
    void fillRow(int y, int begin, int end, std::uint32_t colour)
    {
        if (begin >= end)
            return;
        // Runs are mostly one or two pixels (the steep parts of outlines):
        // both ends are written without a branch that could be
        // mispredicted, and only longer runs loop over their middle.
        std::uint32_t* row = m_frame.row(y);
        row[begin] = colour;
        row[end - 1] = colour;
        for (int x = begin + 1; x < end - 1; ++x)
            row[x] = colour;
    }

    RasterFrame& m_frame;
    bool m_hasPen = false;
    bool m_hasBrush = false;
    bool m_winding = false;
    std::uint32_t m_pen = 0;
    std::uint32_t m_brush = 0;
    IntPoint m_position;
    int m_top = 0;
    int m_end = std::numeric_limits<int>::max();
    std::vector<Crossing> m_crossings; // kept between polygons
};
