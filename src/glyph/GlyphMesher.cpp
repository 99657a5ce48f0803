#include "glyph/GlyphMesher.h"

#include "glyph/FontFace.h"
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

    auto face = std::make_unique<FontFace>();
    if (!face->open(name)) {
        const std::string path = m_fontDirectory + name;
        if (path.size() >= PathBufferSize || !face->open(path.c_str()))
            return false;
    }
    m_face = std::move(face);
    m_sizedFont = std::make_unique<SizedFont>(m_face.get());
    setPointSize(pointSize);
    return true;
}

void GlyphMesher::unloadFont()
{
    m_sizedFont.reset();
    m_face.reset();
    // The selected glyph went with the sized font.
    m_pointSize = -1;
    m_currentGlyph = nullptr;
    m_currentChar = 0;
    m_selectedPointSize = -1;
    m_selectedPrecision = -1.0;
}

bool GlyphMesher::setPointSize(int pointSize)
{
    if (!m_sizedFont || pointSize == m_pointSize || pointSize < 1)
        return false;
    m_pointSize = pointSize;
    // The glyph set is rebuilt, so a cached selection would dangle.
    m_currentGlyph = nullptr;
    m_selectedPointSize = -1;
    m_sizedFont->create(pointSize);
    return true;
}

bool GlyphMesher::selectGlyph(char c, double precision)
{
    const unsigned char code = static_cast<unsigned char>(c);
    if (m_currentGlyph && code == m_currentChar && m_pointSize == m_selectedPointSize
        && precision == m_selectedPrecision)
        return true;
    if (!m_sizedFont)
        return false;
    m_triangulator->setPrecision(precision);
    const FontGlyph* glyph = m_sizedFont->glyph(code);
    if (!glyph)
        return false;
    m_currentGlyph = glyph;
    m_selectedPrecision = precision;
    m_currentChar = code;
    m_selectedPointSize = m_pointSize;
    return true;
}

bool GlyphMesher::triangulate(char c, double precision)
{
    m_mesh.clear();
    if (!selectGlyph(c, precision))
        return false;
    // An outline past the budget meshes as no outline at all: empty.
    if (m_triangulator->init(m_currentGlyph))
        m_triangulator->triangulateRefining(precision);
    return true;
}

double GlyphMesher::advanceWidth(char c) const
{
    if (!m_sizedFont)
        return 0.0;
    const FontGlyph* glyph = m_sizedFont->glyph(static_cast<unsigned char>(c));
    return glyph ? glyph->advance() * PixelsPer26Dot6Unit : 0.0;
}

bool GlyphMesher::hasFont() const
{
    return m_face != nullptr;
}
