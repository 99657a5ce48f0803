#include "render/RasterFrame.h"

#include <algorithm>

void RasterFrame::resize(int width, int height)
{
    // One cache line of padding per row.
    constexpr int kPadding = 16;
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_stride = m_width + kPadding;
    const std::size_t needed = static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(m_height);
    if (needed > m_pixels.size())
        m_pixels.resize(needed);
}

void RasterFrame::clear(Rgb colour)
{
    std::fill_n(m_pixels.begin(), static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(m_height), pixel(colour));
}

void RasterFrame::clearRows(int top, int end, Rgb colour)
{
    top = std::clamp(top, 0, m_height);
    end = std::clamp(end, top, m_height);
    std::fill(row(top), row(top) + static_cast<std::size_t>(end - top) * static_cast<std::size_t>(m_stride), pixel(colour));
}
