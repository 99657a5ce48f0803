#include "glyph/GlyphOutline.h"

bool GlyphOutline::isWellFormed() const
{
    if (numContours < 0 || contourEnds.size() != static_cast<std::size_t>(numContours)
        || flags.size() != points.size())
        return false;
    long previous = -1;
    for (const std::uint16_t end : contourEnds) {
        if (end <= previous || end >= static_cast<long>(points.size()))
            return false;
        previous = end;
    }
    return true;
}
