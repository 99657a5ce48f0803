#include "view/FramePainter.h"

#include <algorithm>
#include <limits>

#include "platform/TaskPool.h"
#include "render/SceneDrawing.h"
#include "view/CLexfallView.h"

const RasterFrame& FramePainter::paint(CLexfallView& view, int width, int height, Rgb background)
{
    m_frame.resize(width, height);
    TaskPool* pool = view.m_pPool;
    const int bands = pool ? std::min(pool->threads(), std::max(height, 1)) : 1;
    while (static_cast<int>(m_bands.size()) < bands)
        m_bands.push_back(std::make_unique<RasterDrawContext>(m_frame));
    // The first paint starts the animation timer, which changes the view:
    // it is painted whole. After that OnDraw only reads the view, and the
    // bands may read it at once.
    if (view.m_nTimerID == 0 || bands < 2) {
        m_bands[0]->setRows(0, std::numeric_limits<int>::max());
        m_bands[0]->clear(background);
        view.OnDraw(*m_bands[0]);
        m_bands[0]->finish();
        return m_frame;
    }
    const int points = std::min(view.m_nPoints, view.m_nPointCapacity);
    m_rows.resize(static_cast<std::size_t>(bands) + 1);
    balancedSplitRows(view.m_pPoints.get(), view.m_pPoints ? points : 0, height, bands, m_rows.data());
    m_rows[static_cast<std::size_t>(bands)] = std::numeric_limits<int>::max();
    pool->run(bands, [&](int b) {
        const int top = m_rows[static_cast<std::size_t>(b)];
        const int end = m_rows[static_cast<std::size_t>(b) + 1];
        RasterDrawContext& dc = *m_bands[static_cast<std::size_t>(b)];
        dc.setRows(top, end);
        dc.clear(background);
        view.OnDraw(dc);
        dc.finish();
    });
    return m_frame;
}
