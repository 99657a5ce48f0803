#pragma once

#include <span>

#include "platform/DrawContext.h"
#include "platform/Geometry.h"

// Every triangle of a point buffer, three points each, as one polygon:
// outlined with the pen in wireframe, else filled with the brush under the
// winding rule and no outline. `bodies` gives the points of each body in
// turn (DrawContext::triangles), so that smooth edges treat a body's
// triangles as one shape. A stray point or two at the end is ignored.
void drawTriangles(DrawContext& dc, const IntPoint* points, int count, std::span<const int> bodies, bool wireframe,
                   const Pen& pen, const Brush& brush);

// A row that splits the triangles' corners about in half (from a sample of
// them), to share painting between two bands of a frame `height` rows high;
// always strictly inside it.
int balancedSplitRow(const IntPoint* points, int count, int height);
