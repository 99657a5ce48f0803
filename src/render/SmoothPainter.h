#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Geometry.h"
#include "render/CoverageBuffer.h"
#include "render/Painting.h"

// Shapes with smooth edges: every pixel blended by the share of it a shape
// covers (CoverageBuffer). Fills take the nonzero rule, with the toolkit's
// half-pixel shift under a pen; outlines and lines run one pixel wide
// through the pixel centres; ellipses are polygons that stray less than a
// hundredth of a pixel from the curve at the sizes the view draws.
class SmoothPainter {
public:
    // A closed polygon of two or more points.
    void polygon(RasterBand& band, const Ink& ink, const IntPoint* points, int count);
    void ellipse(RasterBand& band, const Ink& ink, const Ellipse& ellipse);
    void line(RasterBand& band, std::uint32_t pen, IntPoint from, IntPoint to);
    // The triangles of each shape (as DrawContext::triangles groups them)
    // filled, or outlined, together as one shape.
    void triangles(RasterBand& band, const Ink& ink, const IntPoint* points, int count, std::span<const int> shapes);

private:
    // A shape of triangles: its points, and the columns and rows its
    // pixels may lie in.
    struct ShapeExtent {
        int first;
        int corners;
        int left;
        int top;
        int right;
        int bottom;
    };

    void inkPlane(RasterBand& band, int top, int end, std::uint32_t colour);

    CoverageBuffer m_coverage;
    std::vector<ShapeExtent> m_shapes; // kept between calls
    // How much of each pixel of the band the triangles leave uncovered,
    // out of 255; all 255 between calls.
    std::vector<std::uint8_t> m_plane;
};
