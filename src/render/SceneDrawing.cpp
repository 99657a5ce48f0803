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

int balancedSplitRow(const IntPoint* points, int count, int height)
{
    if (height < 2)
        return std::max(height, 0);
    std::array<int, 512> rows;
    const int step = std::max(1, count / static_cast<int>(rows.size()));
    int n = 0;
    for (int i = 0; i < count && n < static_cast<int>(rows.size()); i += step)
        rows[static_cast<std::size_t>(n++)] = points[i].y;
    int split = height / 2;
    if (n > 0) {
        std::nth_element(rows.begin(), rows.begin() + n / 2, rows.begin() + n);
        split = rows[static_cast<std::size_t>(n / 2)];
    }
    return std::clamp(split, 1, height - 1);
}
