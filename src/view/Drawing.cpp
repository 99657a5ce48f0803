#include <algorithm>

#include "render/Overlays.h"
#include "render/SceneDrawing.h"
#include "view/CLexfallView.h"

namespace {

CompassState compassOf(const CLexfallView& view)
{
    return CompassState{view.m_dCompassX, view.m_dCompassY, view.m_dCompassRadius, view.m_ptNeedle,
                        view.m_dGravityStrength};
}

} // namespace

void CLexfallView::OnDraw(DrawContext& dc)
{
    if (m_nTimerID == 0)
        StartAnimationTimer();

    dc.setSmoothEdges(m_bSmooth);
    // The count never exceeds the capacity; the bound keeps a whole
    // triangle inside the buffer even if it ever did.
    if (m_pPoints)
        drawTriangles(dc, m_pPoints.get(), std::min(m_nPoints, m_nPointCapacity), m_bodyPoints, m_bWireframe, *m_pPen,
                      *m_pBrush);

    if (m_bShowCursor)
        DrawCursor(dc);
    if (m_bShowCompass)
        DrawCompass(dc);
}

void CLexfallView::DrawCursor(DrawContext& dc) const { drawCursor(dc, m_vInsert.x, m_vInsert.y, *m_pPen); }

void CLexfallView::DrawCompass(DrawContext& dc) const { drawCompass(dc, compassOf(*this), *m_pPen, *m_pBrush); }

void CLexfallView::DrawNeedle(DrawContext& dc) const { drawNeedle(dc, compassOf(*this), *m_pBrush); }

void CLexfallView::SetNeedle(IntPoint point)
{
    m_ptNeedle = point;
    UpdateGravityFromNeedle();
}

void CLexfallView::MoveCompass(IntPoint point)
{
    m_ptNeedle = needleCarriedTo(compassOf(*this), point);
    m_dCompassX = point.x;
    m_dCompassY = point.y;
}

void CLexfallView::UpdateGravityFromNeedle() { m_vGravity = gravityFromNeedle(compassOf(*this)); }

IntRect CLexfallView::CompassSquare() const { return compassSquare(compassOf(*this)); }

IntRect CLexfallView::CompassCentreBox() const { return compassHub(compassOf(*this)); }
