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

// Rows that split the triangles' corners into `bands` bands of about equal
// numbers (from a sample of them), to share painting a frame `height` rows
// high: rows[0] = 0, rows[bands] = height, and every band in between at
// least one row high where the frame has room.
void balancedSplitRows(const IntPoint* points, int count, int height, int bands, int* rows);
