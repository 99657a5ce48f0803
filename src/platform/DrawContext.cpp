#include "platform/DrawContext.h"

void DrawContext::triangles(const IntPoint* points, int count, std::span<const int> /*shapes*/)
{
    for (int i = 0; i + 3 <= count; i += 3)
        polygon(points + i, 3);
}
