#pragma once

#include <memory>
#include <vector>

#include "glyph/GlyphVectorizer.h"

class GlyphPolygonizer;

// Receiver of the tessellator's output for one polygonize run.
class GlyphPolygonizerHandler {
public:
    explicit GlyphPolygonizerHandler(bool verbose = false) : m_verbose(verbose) {}
    virtual ~GlyphPolygonizerHandler() = default;
    GlyphPolygonizerHandler(const GlyphPolygonizerHandler&) = delete;
    GlyphPolygonizerHandler& operator=(const GlyphPolygonizerHandler&) = delete;

    virtual void begin(unsigned int primitiveType);
    virtual void vertex(const ContourPoint* point);
    virtual void end();
    // Prints "GLU error #..." to stderr when verbose; nothing else.
    virtual void error(unsigned int code);

    // Tessellator errors received since the last resetErrorCount().
    int errorCount() const { return m_errorCount; }
    void resetErrorCount() { m_errorCount = 0; }
    // The polygonizer whose run is calling this handler, if any.
    GlyphPolygonizer* callingPolygonizer() const { return m_polygonizer; }

private:
    friend class GlyphPolygonizer;

    bool m_verbose;
    GlyphPolygonizer* m_polygonizer = nullptr;
    int m_errorCount = 0;
};

// Runs the GLU tessellator over a vectorized glyph, one polygon per
// exterior contour with its holes, and forwards its output to a handler.
class GlyphPolygonizer {
public:
    // The rest of the glyph budget. Each contour point hands the
    // tessellator one edge, and the mesh is made of contour points only,
    // so MaxEdges also bounds the particles of a body; real glyphs need at
    // most 543. Edges that cross make the tessellator refuse their polygon
    // after work that grows with the cube of their number; real glyphs
    // have at most 40 crossings, mostly chords of neighbouring arcs. Both
    // limits hold for the whole glyph.
    static constexpr int MaxEdges = 1024;
    static constexpr int MaxCrossings = 128;

    // With no vectorizer it makes its own, and then also inits and runs it.
    explicit GlyphPolygonizer(GlyphVectorizer* vectorizer = nullptr);
    virtual ~GlyphPolygonizer();
    GlyphPolygonizer(const GlyphPolygonizer&) = delete;
    GlyphPolygonizer& operator=(const GlyphPolygonizer&) = delete;

    void setPrecision(double precision);
    bool init(const FontGlyph* glyph);
    // False without a glyph or handler, and for a glyph past the budget,
    // which the tessellator never sees.
    bool polygonize(GlyphPolygonizerHandler* handler);

    GlyphVectorizer* vectorizer() const { return m_vectorizer; }
    bool ownsVectorizer() const { return m_ownedVectorizer != nullptr; }

private:
    // Contours [first, end) of one polygon: an exterior and the holes
    // grouped after it.
    struct Polygon {
        int first;
        int end;
    };

    std::vector<Polygon> findPolygons() const;
    bool withinBudget(const std::vector<Polygon>& polygons) const;

    const FontGlyph* m_glyph = nullptr;
    GlyphVectorizer* m_vectorizer;
    std::unique_ptr<GlyphVectorizer> m_ownedVectorizer;
};
