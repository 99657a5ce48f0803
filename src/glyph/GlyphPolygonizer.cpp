#include "glyph/GlyphPolygonizer.h"

#include <GL/glu.h>

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

bool GlyphPolygonizer::polygonize(GlyphPolygonizerHandler* handler)
{
    if (!m_glyph || !handler)
        return false;
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return false;
    if (ownsVectorizer() && !m_vectorizer->vectorize()) {
        gluDeleteTess(tess);
        return false;
    }

    currentHandler = handler;
    handler->m_polygonizer = this;
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<Callback>(&onBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<Callback>(&onVertex));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<Callback>(&onEnd));
    gluTessCallback(tess, GLU_TESS_ERROR, reinterpret_cast<Callback>(&onError));

    bool polygonOpen = false;
    bool firstContour = false;
    for (int k = 0; k < m_vectorizer->contourCount(); ++k) {
        const GlyphContour& contour = m_vectorizer->contour(k);
        if (contour.exterior == 1) {
            if (polygonOpen)
                gluEndPolygon(tess);
            gluBeginPolygon(tess);
            polygonOpen = true;
            firstContour = true;
        }
        if (!polygonOpen)
            continue;
        gluNextContour(tess, firstContour ? GLU_EXTERIOR : GLU_INTERIOR);
        firstContour = false;
        for (int i = contour.count - 1; i >= 0; --i) {
            const ContourPoint& p = contour.points[i];
            GLdouble coords[3] = {p.x, p.y, 0.0};
            gluTessVertex(tess, coords, const_cast<ContourPoint*>(&p));
        }
    }
    if (polygonOpen)
        gluEndPolygon(tess);

    gluDeleteTess(tess);
    handler->m_polygonizer = nullptr;
    currentHandler = nullptr;
    return true;
}
