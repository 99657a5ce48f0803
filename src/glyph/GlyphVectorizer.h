#pragma once

#include <vector>

#include "glyph/GlyphContour.h"
#include "glyph/GlyphOutline.h"

class FontGlyph;

// Turns a glyph outline into closed polygons: quadratic and cubic arcs
// become chords sized by the precision, contours are marked exterior or
// hole, and every exterior is followed by the holes inside it.
class GlyphVectorizer {
public:
    // The glyph budget (the polygonizer holds the rest) leaves room above
    // what every glyph of the Liberation and DejaVu faces, and of the URW
    // faces in TrueType form, needs at 48 points: at most 852 outline
    // points, and arcs of at most 60 points at a quarter of the program's
    // precision. An outline with more points is refused; an arc that would
    // overrun the glyph's allowance of arc points gets fewer, wider chords.
    static constexpr int MaxOutlinePoints = 2048;
    static constexpr int MaxArcPointsPerGlyph = 512;

    GlyphVectorizer() = default;
    virtual ~GlyphVectorizer() = default;
    GlyphVectorizer(const GlyphVectorizer&) = delete;
    GlyphVectorizer& operator=(const GlyphVectorizer&) = delete;

    // Values not above 0.01 become 0.01.
    void setPrecision(double precision);
    double precision() const { return m_precision; }

    // Takes the glyph's outline and makes one empty contour per outline
    // contour. False for no glyph, an unreadable outline or one of more
    // than MaxOutlinePoints points.
    bool init(const FontGlyph* glyph);
    // Same, from an outline record directly.
    bool initOutline(GlyphOutline outline);

    bool vectorize();

    int contourCount() const { return static_cast<int>(m_contours.size()); }
    const GlyphContour& contour(int index) const { return m_contours[index]; }

private:
    void vectorizeContour(int k);
    // A contour with cubic control points, walked from an on-curve point.
    void vectorizeCubicContour(GlyphContour& contour, int first, int last);
    int arcSteps(double extent);
    void addArc(GlyphContour& contour, ContourPoint p0, ContourPoint control, ContourPoint p1);
    void addCubicArc(GlyphContour& contour, ContourPoint p0, ContourPoint c1, ContourPoint c2, ContourPoint p1);
    void group();

    GlyphOutline m_outline;
    double m_precision = 0.01;
    std::vector<GlyphContour> m_contours;
    int m_arcPointsLeft = MaxArcPointsPerGlyph;
};
