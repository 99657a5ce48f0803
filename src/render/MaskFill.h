#pragma once

#include <cstdint>
#include <vector>

#include "platform/Geometry.h"
#include "render/Painting.h"

// Triangles filled without a pen and without smooth edges, as the scene's
// shaded bodies are: the pixels AliasedPainter fills one triangle at a
// time, gathered as runs of a bit mask of the band's rows and inked once,
// at a fraction of the cost. A pending clear is taken into the same pass.
class MaskFill {
public:
    // The first `count` points as triangles, three points each.
    void fill(RasterBand& band, std::uint32_t brush, const IntPoint* points, int count);

private:
    // A triangle ready to be marked: rows [first, last], where the short
    // edge changes (split), and each edge's run end on the first of its
    // rows here (`first`, or `split` for the lower one) in 32.32 fixed
    // point, with its step per row.
    struct TriangleWalk {
        std::uint64_t along;
        std::uint64_t alongStep;
        std::uint64_t upper;
        std::uint64_t upperStep;
        std::uint64_t lower;
        std::uint64_t lowerStep;
        int first;
        int split;
        int last;
        bool clamped; // its runs may reach past the frame's sides
    };

    static void prepareWalk(TriangleWalk& walk, IntPoint a, IntPoint b, IntPoint c, int first, int last, int width);
    void markWalks(const RasterBand& band, const TriangleWalk* walks, int count);
    void markFarTriangle(const RasterBand& band, IntPoint a, IntPoint b, IntPoint c, int first, int last);
    void inkMarkedRows(RasterBand& band, std::uint32_t colour, int top, int end);

    // One bit a pixel, rows of the band; all zero between calls.
    std::vector<std::uint64_t> m_marks;
    int m_markWords = 0; // a row's words, one spare past the frame's width
    std::vector<TriangleWalk> m_walks; // one batch
};
