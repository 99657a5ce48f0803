#include "app/WxDrawContext.h"

#include <wx/brush.h>
#include <wx/graphics.h>
#include <wx/pen.h>

namespace {

wxColour toWx(Rgb colour) { return wxColour(colour.red, colour.green, colour.blue); }

} // namespace

WxDrawContext::WxDrawContext(wxDC& dc) : m_dc(dc)
{
    m_points.reserve(8);
    // Crisp one-pixel outlines, and several times faster than smoothed
    // ones where the toolkit draws through a graphics context.
    if (wxGraphicsContext* gc = m_dc.GetGraphicsContext())
        gc->SetAntialiasMode(wxANTIALIAS_NONE);
}

void WxDrawContext::selectPen(const Pen& pen) { m_dc.SetPen(wxPen(toWx(pen.colour), pen.width, wxPENSTYLE_SOLID)); }

void WxDrawContext::selectBrush(const Brush& brush) { m_dc.SetBrush(wxBrush(toWx(brush.colour), wxBRUSHSTYLE_SOLID)); }

void WxDrawContext::selectNullPen() { m_dc.SetPen(*wxTRANSPARENT_PEN); }

void WxDrawContext::selectNullBrush() { m_dc.SetBrush(*wxTRANSPARENT_BRUSH); }

void WxDrawContext::setWindingFill() { m_fillMode = wxWINDING_RULE; }

void WxDrawContext::polygon(const IntPoint* points, int count)
{
    if (!points || count < 2)
        return;
    m_points.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        m_points[static_cast<std::size_t>(i)] = wxPoint(points[i].x, points[i].y);
    m_dc.DrawPolygon(count, m_points.data(), 0, 0, m_fillMode);
}

void WxDrawContext::ellipse(int left, int top, int right, int bottom)
{
    m_dc.DrawEllipse(left, top, right - left, bottom - top);
}

void WxDrawContext::moveTo(int x, int y) { m_position = wxPoint(x, y); }

void WxDrawContext::lineTo(int x, int y)
{
    const wxPoint to(x, y);
    m_dc.DrawLine(m_position, to);
    m_position = to;
}
