#include "render/SceneDrawing.h"

#include <algorithm>
#include <array>

void drawTriangles(DrawContext& dc, const IntPoint* points, int count, std::span<const int> bodies, bool wireframe,
                   const Pen& pen, const Brush& brush)
{
    if (wireframe) {
        dc.selectPen(pen);
        dc.selectNullBrush();
    } else {
        dc.setWindingFill();
        dc.selectNullPen();
        dc.selectBrush(brush);
    }
    dc.triangles(points, count - count % 3, bodies);
}

void balancedSplitRows(const IntPoint* points, int count, int height, int bands, int* rows)
{
    height = std::max(height, 0);
    std::array<int, 512> sample;
    const int step = std::max(1, count / static_cast<int>(sample.size()));
    int n = 0;
    for (int i = 0; i < count && n < static_cast<int>(sample.size()); i += step)
        sample[static_cast<std::size_t>(n++)] = points[i].y;
    std::sort(sample.begin(), sample.begin() + n);
    rows[0] = 0;
    for (int b = 1; b < bands; ++b) {
        const int even = static_cast<int>(static_cast<long long>(height) * b / bands);
        const int row = n > 0 ? sample[static_cast<std::size_t>(n * b / bands)] : even;
        // Each band keeps a row of its own where there are rows enough.
        const int low = std::min(rows[b - 1] + 1, height);
        const int high = std::max(low, height - (bands - b));
        rows[b] = std::clamp(row, low, high);
    }
    rows[bands] = height;
}
