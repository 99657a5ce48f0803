#pragma once

#include <vector>

#include <wx/dc.h>

#include "platform/DrawContext.h"

// The view's drawing operations on a wxDC: a window, a printed page or a
// print preview. Pen and brush stay selected until replaced; the polygon
// fill rule is even-odd until winding is asked for.
class WxDrawContext final : public DrawContext {
public:
    explicit WxDrawContext(wxDC& dc);

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
    wxDC& m_dc;
    wxPolygonFillMode m_fillMode = wxODDEVEN_RULE;
    wxPoint m_position;
    std::vector<wxPoint> m_points; // reused between polygons
};
