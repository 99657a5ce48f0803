#include "glyph/GlyphPolygonizer.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstdio>

namespace {

// GLU callbacks carry no user pointer in this API, so they reach the
// handler of the one run in progress through this.
GlyphPolygonizerHandler* currentHandler = nullptr;

void GLAPIENTRY onBegin(GLenum type)
{
    if (currentHandler)
        currentHandler->begin(type);
}

void GLAPIENTRY onVertex(void* data)
{
    if (currentHandler)
        currentHandler->vertex(static_cast<const ContourPoint*>(data));
}

void GLAPIENTRY onEnd()
{
    if (currentHandler)
        currentHandler->end();
}

void GLAPIENTRY onError(GLenum code)
{
    if (currentHandler)
        currentHandler->error(code);
}

using Callback = void(GLAPIENTRY*)();

struct Edge {
    Edge(const ContourPoint& a, const ContourPoint& b)
        : a(a), b(b), xmin(std::min(a.x, b.x)), xmax(std::max(a.x, b.x)), ymin(std::min(a.y, b.y)),
          ymax(std::max(a.y, b.y))
    {
    }

    ContourPoint a;
    ContourPoint b;
    double xmin;
    double xmax;
    double ymin;
    double ymax;
};

// Which side of the line through a and b the point c lies on: -1, 0 or 1.
int side(const ContourPoint& a, const ContourPoint& b, const ContourPoint& c)
{
    const double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return (cross > 0.0) - (cross < 0.0);
}

// Edges cross when the ends of each lie strictly on both sides of the
// other: the tessellator would need a new vertex there. Edges that only
// touch or overlap need none.
bool cross(const Edge& e, const Edge& f)
{
    if (e.xmax < f.xmin || f.xmax < e.xmin || e.ymax < f.ymin || f.ymax < e.ymin)
        return false;
    return side(e.a, e.b, f.a) * side(e.a, e.b, f.b) < 0 && side(f.a, f.b, e.a) * side(f.a, f.b, e.b) < 0;
}

// Crossings among the edges, counted up to one past limit.
int countCrossings(const std::vector<Edge>& edges, int limit)
{
    int count = 0;
    for (std::size_t i = 0; i < edges.size(); ++i)
        for (std::size_t j = i + 1; j < edges.size(); ++j)
            if (cross(edges[i], edges[j]) && ++count > limit)
                return count;
    return count;
}

} // namespace

void GlyphPolygonizerHandler::begin(unsigned int) {}

void GlyphPolygonizerHandler::vertex(const ContourPoint*) {}

void GlyphPolygonizerHandler::end() {}

void GlyphPolygonizerHandler::error(unsigned int code)
{
    ++m_errorCount;
    if (!m_verbose)
        return;
    const GLubyte* text = gluErrorString(code);
    std::fprintf(stderr, "GLU error #%d (%s)\n", static_cast<int>(code),
                 text ? reinterpret_cast<const char*>(text) : "");
}

GlyphPolygonizer::GlyphPolygonizer(GlyphVectorizer* vectorizer) : m_vectorizer(vectorizer)
{
    if (!m_vectorizer) {
        m_ownedVectorizer = std::make_unique<GlyphVectorizer>();
        m_vectorizer = m_ownedVectorizer.get();
    }
}

GlyphPolygonizer::~GlyphPolygonizer() = default;

void GlyphPolygonizer::setPrecision(double precision)
{
    m_vectorizer->setPrecision(precision);
}

bool GlyphPolygonizer::init(const FontGlyph* glyph)
{
    m_glyph = glyph;
    return ownsVectorizer() ? m_vectorizer->init(glyph) : true;
}

std::vector<GlyphPolygonizer::Polygon> GlyphPolygonizer::findPolygons() const
{
    std::vector<Polygon> polygons;
    for (int k = 0; k < m_vectorizer->contourCount(); ++k) {
        if (m_vectorizer->contour(k).exterior == 1)
            polygons.push_back({k, k + 1});
        else if (!polygons.empty())
            polygons.back().end = k + 1;
    }
    return polygons;
}

bool GlyphPolygonizer::withinBudget(const std::vector<Polygon>& polygons) const
{
    int edges = 0;
    for (const Polygon& polygon : polygons)
        for (int k = polygon.first; k < polygon.end; ++k)
            edges += m_vectorizer->contour(k).count;
    if (edges > MaxEdges)
        return false;

    // Only edges of one polygon meet in the tessellator.
    int crossings = 0;
    std::vector<Edge> polygonEdges;
    for (const Polygon& polygon : polygons) {
        polygonEdges.clear();
        for (int k = polygon.first; k < polygon.end; ++k) {
            const GlyphContour& contour = m_vectorizer->contour(k);
            for (int i = 0; i < contour.count; ++i)
                polygonEdges.emplace_back(contour.points[i], contour.points[i + 1 < contour.count ? i + 1 : 0]);
        }
        crossings += countCrossings(polygonEdges, MaxCrossings - crossings);
        if (crossings > MaxCrossings)
            return false;
    }
    return true;
}

bool GlyphPolygonizer::polygonize(GlyphPolygonizerHandler* handler)
{
    if (!m_glyph || !handler)
        return false;
    if (ownsVectorizer() && !m_vectorizer->vectorize())
        return false;
    const std::vector<Polygon> polygons = findPolygons();
    if (!withinBudget(polygons))
        return false;
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return false;

    currentHandler = handler;
    handler->m_polygonizer = this;
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<Callback>(&onBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<Callback>(&onVertex));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<Callback>(&onEnd));
    gluTessCallback(tess, GLU_TESS_ERROR, reinterpret_cast<Callback>(&onError));

    for (const Polygon& polygon : polygons) {
        gluBeginPolygon(tess);
        for (int k = polygon.first; k < polygon.end; ++k) {
            gluNextContour(tess, k == polygon.first ? GLU_EXTERIOR : GLU_INTERIOR);
            const GlyphContour& contour = m_vectorizer->contour(k);
            for (int i = contour.count - 1; i >= 0; --i) {
                const ContourPoint& p = contour.points[i];
                GLdouble coords[3] = {p.x, p.y, 0.0};
                gluTessVertex(tess, coords, const_cast<ContourPoint*>(&p));
            }
        }
        gluEndPolygon(tess);
    }

    gluDeleteTess(tess);
    handler->m_polygonizer = nullptr;
    currentHandler = nullptr;
    return true;
}
