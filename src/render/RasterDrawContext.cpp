#include "render/RasterDrawContext.h"

void RasterDrawContext::selectPen(const Pen& pen)
{
    m_ink.hasPen = true;
    m_ink.pen = RasterFrame::pixel(pen.colour);
}

void RasterDrawContext::selectBrush(const Brush& brush)
{
    m_ink.hasBrush = true;
    m_ink.brush = RasterFrame::pixel(brush.colour);
}

void RasterDrawContext::polygon(const IntPoint* points, int count)
{
    if (!points || count < 2 || m_band.empty())
        return;
    if (m_smooth)
        m_smoothPainter.polygon(m_band, m_ink, points, count);
    else
        m_aliased.polygon(m_band, m_ink, points, count);
}

void RasterDrawContext::ellipse(int left, int top, int right, int bottom)
{
    if (m_band.empty())
        return;
    const Ellipse inBox = Ellipse::inBox(left, top, right, bottom);
    if (m_smooth)
        m_smoothPainter.ellipse(m_band, m_ink, inBox);
    else
        m_aliased.ellipse(m_band, m_ink, inBox);
}

void RasterDrawContext::lineTo(int x, int y)
{
    const IntPoint to{x, y};
    if (m_ink.hasPen && !m_band.empty()) {
        if (m_smooth)
            m_smoothPainter.line(m_band, m_ink.pen, m_position, to);
        else
            m_aliased.line(m_band, m_ink.pen, m_position, to);
    }
    m_position = to;
}

void RasterDrawContext::triangles(const IntPoint* points, int count, std::span<const int> shapes)
{
    if (!points || count < 3 || m_band.empty())
        return;
    if (m_smooth)
        m_smoothPainter.triangles(m_band, m_ink, points, count, shapes);
    else if (m_ink.hasBrush && !m_ink.hasPen)
        m_maskFill.fill(m_band, m_ink.brush, points, count);
    else
        m_aliased.triangles(m_band, m_ink, points, count);
}
