#include "render/Painting.h"

#include <utility>

Ellipse Ellipse::inBox(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    return Ellipse{(static_cast<double>(left) + right) / 2.0, (static_cast<double>(top) + bottom) / 2.0,
                   (static_cast<double>(right) - left) / 2.0, (static_cast<double>(bottom) - top) / 2.0};
}

void RasterBand::settle()
{
    if (!m_pendingClear)
        return;
    m_frame.clearRows(top(), end(), *m_pendingClear);
    m_pendingClear.reset();
}

std::optional<std::uint32_t> RasterBand::takeClear(int& top, int& end)
{
    if (!m_pendingClear)
        return std::nullopt;
    top = this->top();
    end = this->end();
    const std::uint32_t background = RasterFrame::pixel(*m_pendingClear);
    m_pendingClear.reset();
    return background;
}
