#include "glyph/GlyphTriangulator.h"

#include <GL/gl.h>

#include <initializer_list>

namespace {

int contourPoints(const GlyphVectorizer& vectorizer)
{
    int points = 0;
    for (int k = 0; k < vectorizer.contourCount(); ++k)
        points += vectorizer.contour(k).count;
    return points;
}

} // namespace

GlyphTriangulator::GlyphTriangulator(GlyphVectorizer* vectorizer, bool verbose)
    : GlyphPolygonizerHandler(verbose), m_polygonizer(std::make_unique<GlyphPolygonizer>(vectorizer))
{
}

GlyphTriangulator::~GlyphTriangulator() = default;

bool GlyphTriangulator::triangulate()
{
    m_vertexCount = 0;
    m_a = nullptr;
    m_b = nullptr;
    resetErrorCount();
    return m_polygonizer->polygonize(this);
}

void GlyphTriangulator::begin(unsigned int primitiveType)
{
    m_primitiveType = static_cast<int>(primitiveType);
}

void GlyphTriangulator::vertex(const ContourPoint* point)
{
    if (m_primitiveType == 0 || !point)
        return;
    const int k = m_vertexCount++;
    if (k == 0) {
        m_a = point;
        return;
    }
    if (k == 1) {
        m_b = point;
        return;
    }
    triangle(*m_a, *m_b, *point);
    switch (m_primitiveType) {
    case GL_TRIANGLE_STRIP:
        if (m_vertexCount % 2 == 1)
            m_a = point;
        else
            m_b = point;
        break;
    case GL_TRIANGLE_FAN:
        m_b = point;
        break;
    default:
        m_vertexCount = 0;
        break;
    }
}

void GlyphTriangulator::end()
{
    m_primitiveType = 0;
    m_vertexCount = 0;
}

void GlyphWireTriangulator::triangle(const ContourPoint& a, const ContourPoint& b, const ContourPoint& c)
{
    if (!m_segments)
        return;
    const Vector3 va(a.x, -a.y, 0.0), vb(b.x, -b.y, 0.0), vc(c.x, -c.y, 0.0);
    m_segments->push_back(va);
    m_segments->push_back(vb);
    m_segments->push_back(vb);
    m_segments->push_back(vc);
    m_segments->push_back(vc);
    m_segments->push_back(va);
}

void GlyphWireTriangulator::clearSegmentList()
{
    if (m_segments)
        m_segments->clear();
}

bool GlyphWireTriangulator::triangulateRefining(double precision)
{
    // Coarse chords can also flatten a small contour to nothing, leaving
    // an outline without a single triangle.
    const auto meshed = [this] { return errorCount() == 0 && (!m_segments || !m_segments->empty()); };
    const bool tessellated = triangulateAt(precision);
    if ((tessellated && meshed()) || contourPoints(*polygonizer().vectorizer()) > MaxRefinedPoints)
        return tessellated;
    // Small glyphs may need chords finer still.
    for (const double p : {precision * 0.5, precision * 0.25, precision * 0.125, precision * 0.0625})
        if (triangulateAt(p) && meshed())
            return true;
    return triangulateAt(precision);
}

bool GlyphWireTriangulator::triangulateAt(double precision)
{
    setPrecision(precision);
    clearSegmentList();
    return triangulate();
}
