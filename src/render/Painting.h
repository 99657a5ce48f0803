#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "render/RasterFrame.h"

// What every painter of the raster drawing context is handed: the ink the
// view selected, an ellipse by its centre and radii, and the band of rows
// to draw on.

// The selected pen and brush, as pixels, and the fill rule.
struct Ink {
    bool hasPen = false;
    bool hasBrush = false;
    bool winding = false; // nonzero, else even-odd
    std::uint32_t pen = 0;
    std::uint32_t brush = 0;

    // Where fills sample a pixel, from its top-left corner: while a pen is
    // selected the toolkit moves the whole path by half a pixel.
    double sampleOffset() const { return hasPen ? 0.0 : 0.5; }
};

// The ellipse inscribed in a box.
struct Ellipse {
    double cx = 0.0;
    double cy = 0.0;
    double rx = 0.0;
    double ry = 0.0;

    // Either pair of corners gives the same ellipse.
    static Ellipse inBox(int left, int top, int right, int bottom);
};

// Rows [top, end) of a frame, clipped to it, that one context draws on,
// and a clear of them that waits for the first drawing. A painter writes
// only through the band: pixels() carries out a pending clear first, and
// a pass that writes every pixel of the band anyway takes the clear and
// writes the background itself.
class RasterBand {
public:
    explicit RasterBand(RasterFrame& frame) : m_frame(frame) {}

    void setRows(int top, int end)
    {
        m_top = top;
        m_end = end;
    }
    int top() const { return std::max(m_top, 0); }
    int end() const { return std::min(m_end, m_frame.height()); }
    int width() const { return m_frame.width(); }
    // Nothing can be drawn on it.
    bool empty() const { return width() <= 0 || top() >= end(); }
    // The frame, to read its size.
    const RasterFrame& frame() const { return m_frame; }

    // Clears the rows to `colour` before anything is drawn on them.
    void clear(Rgb colour) { m_pendingClear = colour; }
    // The frame to draw on, its rows cleared if a clear is pending.
    RasterFrame& pixels()
    {
        if (m_pendingClear)
            settle();
        return m_frame;
    }
    // Carries out a pending clear.
    void settle();
    // For a pass over rows [top, end) that can write the background along
    // with its ink: with a clear pending the rows become the whole band
    // and the background is given back, the clear then the pass's to do.
    std::optional<std::uint32_t> takeClear(int& top, int& end);

private:
    RasterFrame& m_frame;
    int m_top = 0;
    int m_end = std::numeric_limits<int>::max();
    std::optional<Rgb> m_pendingClear;
};
