#include "view/FramePainter.h"

#include <algorithm>
#include <limits>

#include "platform/ForkJoin.h"
#include "render/SceneDrawing.h"
#include "view/CLexfallView.h"

const RasterFrame& FramePainter::paint(CLexfallView& view, int width, int height, Rgb background)
{
    m_frame.resize(width, height);
    ForkJoin& forkJoin = ForkJoin::shared();
    // The first paint starts the animation timer, which changes the view:
    // it is painted whole. After that OnDraw only reads the view, and two
    // bands may read it at once.
    if (view.m_nTimerID == 0 || !forkJoin.parallel() || height < 2) {
        m_upper.setRows(0, std::numeric_limits<int>::max());
        m_upper.clear(background);
        view.OnDraw(m_upper);
        m_upper.finish();
        return m_frame;
    }
    const int points = std::min(view.m_nPoints, view.m_nPointCapacity);
    const int split = balancedSplitRow(view.m_pPoints.get(), view.m_pPoints ? points : 0, height);
    m_upper.setRows(0, split);
    m_lower.setRows(split, std::numeric_limits<int>::max());
    auto band = [&](int half) {
        RasterDrawContext& context = half == 0 ? m_upper : m_lower;
        context.clear(background);
        view.OnDraw(context);
        context.finish();
    };
    forkJoin.run(band);
    return m_frame;
}
