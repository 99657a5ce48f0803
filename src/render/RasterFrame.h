#pragma once

#include <cstdint>
#include <vector>

#include "platform/DrawContext.h"

// A picture the program owns: 32-bit pixels, 0x00RRGGBB in native byte
// order, rows top to bottom, `stride` pixels apart. The screen blits it;
// the recorder encodes it.
class RasterFrame {
public:
    static constexpr std::uint32_t pixel(Rgb c) { return (std::uint32_t{c.red} << 16) | (c.green << 8) | c.blue; }
    // `over` laid on `under` by a / 256 of its strength; red and blue go
    // through one multiplication.
    static constexpr std::uint32_t mix(std::uint32_t under, std::uint32_t over, std::uint32_t a)
    {
        const std::uint32_t b = 256 - a;
        const std::uint32_t rb = (((under & 0xFF00FFu) * b + (over & 0xFF00FFu) * a) >> 8) & 0xFF00FFu;
        const std::uint32_t g = (((under & 0x00FF00u) * b + (over & 0x00FF00u) * a) >> 8) & 0x00FF00u;
        return rb | g;
    }

    // Keeps its memory when shrinking, so resizing back and forth never
    // allocates; new pixels are undefined until the next clear.
    void resize(int width, int height);
    void clear(Rgb colour);
    // Clears rows [top, end) only.
    void clearRows(int top, int end, Rgb colour);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Pixels from one row to the next: a little more than the width, so
    // that a run down a column does not land every row on the same cache
    // set (a 1024-pixel row is exactly 4 KiB).
    int stride() const { return m_stride; }
    std::uint32_t* row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_stride); }
    const std::uint32_t* row(int y) const
    {
        return m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_stride);
    }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }
    std::uint32_t* data() { return m_pixels.data(); }
    const std::uint32_t* data() const { return m_pixels.data(); }

private:
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    std::vector<std::uint32_t> m_pixels;
};
