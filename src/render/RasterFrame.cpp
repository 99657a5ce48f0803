#include "render/RasterFrame.h"

#include <algorithm>

void RasterFrame::resize(int width, int height)
{
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    const std::size_t needed = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    if (needed > m_pixels.size())
        m_pixels.resize(needed);
}

void RasterFrame::clear(Rgb colour)
{
    std::fill_n(m_pixels.begin(), static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), pixel(colour));
}
