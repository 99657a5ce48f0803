#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "render/RasterFrame.h"

// How much of each pixel a shape covers, for drawing with smooth edges. A
// shape is gathered within a window of the frame, then blended onto the
// frame in one colour, each pixel by the share of it the shape covers.
// Pixel (x, y) is the square from (x, y) to (x + 1, y + 1).
// - A filled shape is given by its edges. Each edge adds, row by row, the
//   exact area it closes off to its right, kept in whole numbers. An edge
//   that two parts of a shape share, run both ways, cancels exactly, so no
//   seam shows between the parts (and it is not walked at all); where parts
//   overlap the coverage adds up, to at most full (the nonzero rule).
// - Lines run one pixel wide between pixel centres, split across the two
//   nearest pixels; where lines meet, the stronger coverage counts.
// A row's coverage depends only on that row, never on which rows the
// window holds, so bands of a frame drawn apart give one picture.
class CoverageBuffer {
public:
    enum class Kind { Fill, Lines };

    // Starts a shape whose pixels lie in columns [left, right) and rows
    // [top, bottom) of `frame` (clipped to it). False when that is empty.
    bool begin(Kind kind, const RasterFrame& frame, int left, int top, int right, int bottom);
    // One edge of a filled shape; either direction, as long as the
    // shape's edges close.
    void addEdge(double x0, double y0, double x1, double y1);
    // A line between the centres of pixels (x0, y0) and (x1, y1), both ends
    // included.
    void addLine(int x0, int y0, int x1, int y1);
    // Blends the shape onto the frame and forgets it.
    void blend(RasterFrame& frame, std::uint32_t colour);
    // Lays the shape over `plane`, which tells how much of each pixel of
    // the frame's rows from `planeTop` on is still uncovered, out of 255
    // (`stride` bytes a row): each pixel keeps what the shape leaves of
    // it. Forgets the shape.
    void cover(std::uint8_t* plane, std::size_t stride, int planeTop);

private:
    // An edge from its upper end down, and how often it counts: +1 per use
    // downwards, -1 per use upwards.
    struct Edge {
        double x0;
        double y0;
        double x1;
        double y1;
        int weight;
        std::uint32_t stamp; // the shape it belongs to; others are free
    };

    // Runs each row's cells from the first that holds anything: dense(row,
    // cells, from, to) turns cells [from, to) into pixels, maybe a few more
    // (moving `to` on), and gives back the fill's running sum past them;
    // constant(row, from, to, a) takes the rest of a row that a fill covers
    // alike. Forgets the shape.
    template <class Dense, class Constant>
    void resolve(Dense&& dense, Constant&& constant);
    void gather(const Edge& edge);
    void walk(const Edge& edge);
    // The cells of a row that hold anything lie in [from, to).
    struct Span {
        int from = std::numeric_limits<int>::max();
        int to = 0;
    };

    bool addNarrowPiece(int row, double xa, double xb, double perColumn, int weight);
    void addPiece(int row, double xa, double xb, double dy, int weight);
    void plot(int x, int y, double coverage);
    std::uint32_t* cellsOf(int row);
    void touch(int row, int from, int to);

    Kind m_kind = Kind::Fill;
    int m_left = 0;
    int m_top = 0;
    int m_right = 0;
    int m_bottom = 0;
    int m_stride = 0;  // cells a row: the window's and two spare ones past it
    int m_usedTop = 0; // rows [m_usedTop, m_usedEnd) hold something
    int m_usedEnd = 0;
    // Fill: the change of coverage from the cell before, in fixed point
    // (wrapping, read as signed); Lines: coverage out of 256. All zero,
    // and every span empty, between shapes.
    std::vector<std::uint32_t> m_cells;
    std::vector<Span> m_spans;
    // The edges of the shape being gathered, by their ends, so that uses
    // that cancel meet; and the slots they fill, in order.
    std::vector<Edge> m_edges;
    std::vector<std::uint32_t> m_slots;
    std::uint32_t m_stamp = 0;
};
