#pragma once

#include <memory>

#include "glyph/GlyphMesh.h"
#include "glyph/GlyphPolygonizer.h"

// Assembles the tessellator's triangles, strips and fans into single
// triangles and hands each to triangle().
class GlyphTriangulator : public GlyphPolygonizerHandler {
public:
    explicit GlyphTriangulator(GlyphVectorizer* vectorizer = nullptr, bool verbose = false);
    ~GlyphTriangulator() override;

    void begin(unsigned int primitiveType) override;
    void vertex(const ContourPoint* point) override;
    void end() override;
    virtual void triangle(const ContourPoint& a, const ContourPoint& b, const ContourPoint& c) = 0;

    void setPrecision(double precision) { m_polygonizer->setPrecision(precision); }
    bool init(const FontGlyph* glyph) { return m_polygonizer->init(glyph); }
    // Runs the tessellator over the glyph; errorCount() then tells how
    // many errors it reported during this run.
    bool triangulate();

    GlyphPolygonizer& polygonizer() const { return *m_polygonizer; }

private:
    int m_primitiveType = 0;
    std::unique_ptr<GlyphPolygonizer> m_polygonizer;
    int m_vertexCount = 0;
    const ContourPoint* m_a = nullptr;
    const ContourPoint* m_b = nullptr;
};

// The triangulator the mesher uses: each triangle (a, b, c) becomes the
// segments (a, b), (b, c), (c, a) of a GlyphMesh, y flipped downwards.
class GlyphWireTriangulator : public GlyphTriangulator {
public:
    // Largest glyph, in contour points, that is tried again with finer
    // chords. Real glyphs the tessellator refuses at the program's
    // precision have at most 228, those finer chords mend at most 99; a
    // larger refused glyph stays as first meshed, since every retry would
    // cost as much again.
    static constexpr int MaxRefinedPoints = 256;

    using GlyphTriangulator::GlyphTriangulator;

    void triangle(const ContourPoint& a, const ContourPoint& b, const ContourPoint& c) override;
    virtual void setSegmentList(GlyphMesh* mesh) { m_segments = mesh; }
    virtual void clearSegmentList();

    // Refills the segment list with the initialised glyph at a precision.
    // Coarse chords of neighbouring contours can cross (the "o" of some
    // faces), which the tessellator refuses, leaving the glyph empty; finer
    // chords (half, a quarter, down to a sixteenth for small glyphs) keep
    // the contours apart, and a glyph that fails even so is meshed as first
    // asked. A glyph past the budget
    // or above MaxRefinedPoints gets no retry. Each retry vectorizes afresh,
    // so the triangulator must own its vectorizer. The vectorizer keeps the
    // precision of the mesh that stays; errorCount() is its run's.
    bool triangulateRefining(double precision);

private:
    bool triangulateAt(double precision);

    GlyphMesh* m_segments = nullptr;
};
