#include "glyph/FontGlyphSet.h"

FontGlyphSet::~FontGlyphSet() = default;

bool FontGlyphSet::create()
{
    m_glyphs.clear();
    if (!m_instance)
        return false;
    m_glyphs.resize(256);
    for (int code = 0; code < 256; ++code) {
        auto glyph = std::make_unique<FontGlyph>(m_instance);
        if (glyph->create(code))
            m_glyphs[code] = std::move(glyph);
    }
    return true;
}

const FontGlyph* FontGlyphSet::glyph(int code) const
{
    if (code < 0 || code >= static_cast<int>(m_glyphs.size()))
        return nullptr;
    return m_glyphs[code].get();
}
