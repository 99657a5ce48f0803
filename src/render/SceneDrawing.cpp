#include "render/SceneDrawing.h"

void drawTriangles(DrawContext& dc, const IntPoint* points, int count, bool wireframe, const Pen& pen,
                   const Brush& brush)
{
    if (wireframe) {
        dc.selectPen(pen);
        dc.selectNullBrush();
    } else {
        dc.setWindingFill();
        dc.selectNullPen();
        dc.selectBrush(brush);
    }
    for (int i = 0; i + 3 <= count; i += 3)
        dc.polygon(points + i, 3);
}
