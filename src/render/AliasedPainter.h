#pragma once

#include <cstdint>
#include <vector>

#include "platform/Geometry.h"
#include "render/Painting.h"

// Shapes without smooth edges: unblended, the pixels the desktop
// toolkit's own drawing covers.
// - A fill takes the pixels whose centre lies inside the shape (nonzero or
//   even-odd); under a pen it takes those whose corner lies inside
//   (Ink::sampleOffset).
// - An outline is one pixel wide and includes both ends of every line.
// - Ellipses are outlined and filled alike.
// Nothing outside the band is ever written, and the work is bounded by the
// visible part of a shape, however far out its coordinates lie.
class AliasedPainter {
public:
    // A closed polygon of two or more points, filled with the brush and
    // outlined with the pen.
    void polygon(RasterBand& band, const Ink& ink, const IntPoint* points, int count);
    // The first `count` points as triangles, three points each, each drawn
    // as polygon draws it.
    void triangles(RasterBand& band, const Ink& ink, const IntPoint* points, int count);
    void ellipse(RasterBand& band, const Ink& ink, const Ellipse& ellipse);
    // A line in the pen's colour.
    void line(RasterBand& band, std::uint32_t pen, IntPoint from, IntPoint to);

private:
    // Where an edge crosses a row: the first pixel right of it.
    struct Crossing {
        int pixel;
        int direction;
    };

    void fillPolygon(RasterBand& band, const Ink& ink, const IntPoint* points, int count);

    std::vector<Crossing> m_crossings; // kept between polygons
};
