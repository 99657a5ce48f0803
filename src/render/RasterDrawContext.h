#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "platform/DrawContext.h"
#include "render/CoverageBuffer.h"
#include "render/RasterFrame.h"

// The view's drawing operations into a RasterFrame. Without smooth edges
// it covers, unblended, the pixels the desktop toolkit's own drawing
// covers:
// - a fill takes the pixels whose centre lies inside the shape (nonzero or
//   even-odd); while a pen is selected the toolkit moves the whole path by
//   half a pixel, so then a fill takes the pixels whose corner lies inside;
// - an outline is one pixel wide and includes both ends of every line;
// - ellipses are those inscribed in their box, outlined and filled alike.
// Nothing outside the frame is ever written, and the work is bounded by the
// visible part of a shape, however far out its coordinates lie.
// With smooth edges every pixel is blended by the share of it a shape
// covers (CoverageBuffer): fills by the nonzero rule, with the same half
// pixel shift under a pen; outlines and lines one pixel wide through the
// pixel centres; ellipses as polygons that stray less than a hundredth of
// a pixel from the curve at the sizes the view draws.
class RasterDrawContext final : public DrawContext {
public:
    explicit RasterDrawContext(RasterFrame& frame) : m_frame(frame) {}

    // Draw only rows [top, end) of the frame: contexts on disjoint bands
    // of one frame can draw the same picture at once.
    void setRows(int top, int end);
    // Clears the rows to `colour` before anything is drawn on them: a fill
    // of triangles drawn first writes each pixel once, the background or
    // the brush. finish() clears them if nothing was drawn.
    void clear(Rgb colour);
    void finish();

    void selectPen(const Pen& pen) override;
    void selectBrush(const Brush& brush) override;
    void selectNullPen() override;
    void selectNullBrush() override;
    void setWindingFill() override;
    void polygon(const IntPoint* points, int count) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void setSmoothEdges(bool on) override { m_smooth = on; }
    // Filled without a pen and without smooth edges, the triangles are
    // gathered as runs of a bit mask of the rows and inked once: the same
    // pixels as one polygon each, at a fraction of the cost.
    void triangles(const IntPoint* points, int count, std::span<const int> shapes) override;

private:
    // Where an edge crosses a row: the first pixel right of it.
    struct Crossing {
        int pixel;
        int direction;
    };

    int rowTop() const;
    int rowEnd() const;
    void settle(); // carries out a pending clear

    // Where fills sample a pixel, from its top-left corner.
    double sampleOffset() const { return m_hasPen ? 0.0 : 0.5; }

    void fillTriangle(IntPoint a, IntPoint b, IntPoint c);
    void fillPolygon(const IntPoint* points, int count);
    // A triangle of fillTriangles, ready to be marked: rows [first, last],
    // where the short edge changes (split), and each edge's run end on the
    // first of its rows here (`first`, or `split` for the lower one) in
    // 32.32 fixed point, with its step per row.
    struct TriangleWalk {
        std::uint64_t along;
        std::uint64_t alongStep;
        std::uint64_t upper;
        std::uint64_t upperStep;
        std::uint64_t lower;
        std::uint64_t lowerStep;
        int first;
        int split;
        int last;
        bool clamped; // its runs may reach past the frame's sides
    };

    void fillTriangles(const IntPoint* points, int count);
    void prepareWalk(TriangleWalk& walk, IntPoint a, IntPoint b, IntPoint c, int first, int last) const;
    void markWalks(const TriangleWalk* walks, int count);
    void markFarTriangle(IntPoint a, IntPoint b, IntPoint c, int first, int last);
    // A pass over rows [top, end) that also writes the background takes
    // the pending clear: the rows become the whole band. The background
    // (0 when no clear is pending).
    std::uint32_t takePendingClear(int& top, int& end);
    void inkMarkedRows(int top, int end);
    void smoothTriangles(const IntPoint* points, int count, std::span<const int> shapes);
    void inkPlane(int top, int end, std::uint32_t colour);
    void smoothPolygon(const IntPoint* points, int count);
    void smoothEllipse(int left, int top, int right, int bottom);
    void smoothLine(IntPoint from, IntPoint to);
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
    bool m_smooth = false;
    std::optional<Rgb> m_pendingClear;
    std::vector<Crossing> m_crossings; // kept between polygons
    // One bit a pixel, rows of this context's band; all zero between calls.
    std::vector<std::uint64_t> m_marks;
    int m_markWords = 0; // a row's words, one spare past the frame's width
    std::vector<TriangleWalk> m_walks; // one batch
    CoverageBuffer m_coverage;
    // A shape of smooth triangles: its points, and the columns and rows
    // its pixels may lie in.
    struct ShapeExtent {
        int first;
        int corners;
        int left;
        int top;
        int right;
        int bottom;
    };
    std::vector<ShapeExtent> m_shapes; // kept between calls
    // How much of each pixel of the band smooth triangles leave uncovered,
    // out of 255; all 255 between calls.
    std::vector<std::uint8_t> m_plane;
};
