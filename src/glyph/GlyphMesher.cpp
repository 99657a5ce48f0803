#include "glyph/GlyphMesher.h"

#include "glyph/FontFace.h"
#include "glyph/GlyphCache.h"
#include "glyph/GlyphMetrics.h"
#include "glyph/GlyphTriangulator.h"
#include "glyph/InstallPaths.h"
#include "glyph/SizedFont.h"

namespace {

// Longest font path tried, terminating NUL included.
constexpr std::size_t PathBufferSize = 512;

} // namespace

GlyphMesher::GlyphMesher()
    : m_fontDirectory(lexfallFontDirectory()), m_triangulator(std::make_unique<GlyphWireTriangulator>(nullptr, false))
{
    m_mesh.reserve(100);
    m_triangulator->setSegmentList(&m_mesh);
}

GlyphMesher::~GlyphMesher()
{
    unloadFont();
}

void GlyphMesher::setFontDirectory(const std::string& directory)
{
    m_fontDirectory = directory;
}

bool GlyphMesher::loadFont(const char* name, int pointSize)
{
    unloadFont();
    if (!name)
        return false;

    auto face = std::make_unique<FontFace>(m_engine.library() ? &m_engine : nullptr);
    if (!face->open(name)) {
        const std::string path = m_fontDirectory + name;
        if (path.size() >= PathBufferSize || !face->open(path.c_str()))
            return false;
    }
    m_face = std::move(face);
    m_sizedFont = std::make_unique<SizedFont>(m_face.get());
    m_cache = std::make_unique<GlyphCache>(*m_face, m_fallback, m_catalog);
    setPointSize(pointSize);
    return true;
}

bool GlyphMesher::loadFace(const FaceLocation& location, int pointSize)
{
    auto face = std::make_unique<FontFace>(m_engine.library() ? &m_engine : nullptr);
    if (!face->openAny(location.file.c_str(), location.index))
        return false;
    unloadFont();
    m_face = std::move(face);
    m_cache = std::make_unique<GlyphCache>(*m_face, m_fallback, m_catalog);
    setPointSize(pointSize);
    return true;
}

void GlyphMesher::unloadFont()
{
    m_cache.reset();
    m_sizedFont.reset();
    m_face.reset();
    m_pointSize = -1;
    resetSelection();
}

// The selected glyph went with the glyphs it was one of.
void GlyphMesher::resetSelection()
{
    m_currentGlyph = nullptr;
    m_currentChar = 0;
    m_selectedPointSize = -1;
    m_selectedPrecision = -1.0;
    m_selectedFromCache = false;
}

bool GlyphMesher::setPointSize(int pointSize)
{
    if (!m_cache || pointSize == m_pointSize || pointSize < 1)
        return false;
    m_pointSize = pointSize;
    // The glyphs are rebuilt, so a cached selection would dangle.
    m_currentGlyph = nullptr;
    m_selectedPointSize = -1;
    if (m_sizedFont)
        m_sizedFont->create(pointSize);
    m_cache->setPointSize(pointSize);
    return true;
}

const FontGlyph* GlyphMesher::glyph(char32_t c)
{
    if (m_sizedFont && c < 256)
        return m_sizedFont->glyph(static_cast<int>(c));
    return m_cache && m_pointSize > 0 ? m_cache->glyph(c) : nullptr;
}

bool GlyphMesher::selectGlyph(char32_t c, double precision)
{
    const bool selectionValid = !m_selectedFromCache || m_cache->generation() == m_selectedGeneration;
    if (m_currentGlyph && selectionValid && c == m_currentChar && m_pointSize == m_selectedPointSize
        && precision == m_selectedPrecision)
        return true;
    if (!m_face)
        return false;
    m_triangulator->setPrecision(precision);
    const FontGlyph* found = glyph(c);
    if (!found) {
        // A glyph dropped from the cache meanwhile must not stay selected.
        if (m_selectedFromCache && m_cache->generation() != m_selectedGeneration)
            resetSelection();
        return false;
    }
    m_currentGlyph = found;
    m_selectedPrecision = precision;
    m_currentChar = c;
    m_selectedPointSize = m_pointSize;
    m_selectedFromCache = !m_sizedFont || c >= 256;
    m_selectedGeneration = m_cache->generation();
    return true;
}

bool GlyphMesher::triangulate(char32_t c, double precision)
{
    m_mesh.clear();
    if (!selectGlyph(c, precision))
        return false;
    meshGlyph(*m_currentGlyph, precision);
    // A typed key is never lost: an outline that gives no triangle at any
    // precision (past the budget, refused by the tessellator, or holes
    // only) shows the face's missing-glyph box instead.
    if (m_mesh.empty() && m_currentGlyph->pointCount() > 0)
        if (const FontGlyph* box = m_cache->glyph(GlyphCache::FirstGlyphKey))
            meshGlyph(*box, precision);
    return true;
}

void GlyphMesher::meshGlyph(const FontGlyph& glyph, double precision)
{
    // An outline past the budget meshes as no outline at all: empty.
    if (m_triangulator->init(&glyph))
        m_triangulator->triangulateRefining(precision);
}

double GlyphMesher::advanceWidth(char32_t c)
{
    const FontGlyph* found = glyph(c);
    return found ? found->advance() * PixelsPer26Dot6Unit : 0.0;
}

bool GlyphMesher::hasFont() const
{
    return m_face != nullptr;
}

std::vector<GlyphCache::ShapedGlyph> GlyphMesher::shape(const std::u32string& word)
{
    if (!m_cache || m_sizedFont || m_pointSize <= 0)
        return {};
    return m_cache->shape(word);
}

std::string GlyphMesher::familyName() const
{
    return m_face ? m_face->familyName() : std::string();
}
