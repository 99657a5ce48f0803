#include "glyph/SizedFont.h"

SizedFont::~SizedFont() = default;

bool SizedFont::create(int points)
{
    if (points < 1)
        points = 1;
    m_glyphs.reset();
    m_instance = std::make_unique<FontInstance>(m_face);
    if (!m_instance->create() || !m_instance->setResolutions(96, 96) || !m_instance->setCharSize(points))
        return false;
    m_glyphs = std::make_unique<FontGlyphSet>(m_instance.get());
    return m_glyphs->create();
}
