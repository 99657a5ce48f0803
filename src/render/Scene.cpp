#include <algorithm>

#include "view/CLexfallView.h"

void CLexfallView::OnDraw(DrawContext& dc)
{
    if (m_nTimerID == 0)
        StartAnimationTimer();

    if (m_pPoints) {
        if (m_bWireframe) {
            dc.selectPen(*m_pPen);
            dc.selectNullBrush();
        } else {
            dc.setWindingFill();
            dc.selectNullPen();
            dc.selectBrush(*m_pBrush);
        }
        // The count never exceeds the capacity; the bound keeps a whole
        // triangle inside the buffer even if it ever did.
        const int n = std::min(m_nPoints, m_nPointCapacity);
        for (int i = 0; i + 3 <= n; i += 3)
            dc.polygon(&m_pPoints[static_cast<std::size_t>(i)], 3);
    }

    if (m_bShowCursor)
        DrawCursor(dc);
    if (m_bShowCompass)
        DrawCompass(dc);
}
