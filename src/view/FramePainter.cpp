#include "view/FramePainter.h"

#include <algorithm>
#include <limits>
#include <span>

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
        keep(view, width, height, background);
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
    keep(view, width, height, background);
    return m_frame;
}

namespace {

std::span<const IntPoint> drawnPoints(const CLexfallView& view)
{
    const int count = view.m_pPoints ? std::min(view.m_nPoints, view.m_nPointCapacity) : 0;
    return {view.m_pPoints.get(), static_cast<std::size_t>(std::max(count, 0))};
}

} // namespace

FramePainter::Drawn FramePainter::drawnOf(const CLexfallView& view, int width, int height, Rgb background)
{
    return Drawn{width,
                 height,
                 background,
                 *view.m_pPen,
                 *view.m_pBrush,
                 view.m_bWireframe,
                 view.m_bSmooth,
                 view.m_bShowCursor,
                 view.m_vInsert.x,
                 view.m_vInsert.y,
                 view.m_bShowCompass,
                 view.m_dCompassX,
                 view.m_dCompassY,
                 view.m_dCompassRadius,
                 view.m_ptNeedle,
                 view.m_dGravityStrength};
}

// A scene that stands still keeps what its frame was painted from, to
// tell the next frame is the same; a moving one would only pay for the
// copy of its points.
void FramePainter::keep(const CLexfallView& view, int width, int height, Rgb background)
{
    if (view.m_bAnimate && !view.m_pBodies.empty()) {
        m_drawn.reset();
        return;
    }
    m_drawn = drawnOf(view, width, height, background);
    const std::span<const IntPoint> points = drawnPoints(view);
    m_points.assign(points.begin(), points.end());
    m_bodyPoints = view.m_bodyPoints;
}

bool FramePainter::holds(const CLexfallView& view, int width, int height, Rgb background) const
{
    // Without a timer the next paint must try to start it again.
    if (!m_drawn || view.m_nTimerID == 0 || !(*m_drawn == drawnOf(view, width, height, background)))
        return false;
    const std::span<const IntPoint> points = drawnPoints(view);
    return std::equal(points.begin(), points.end(), m_points.begin(), m_points.end())
           && view.m_bodyPoints == m_bodyPoints;
}
