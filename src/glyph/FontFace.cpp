#include "glyph/FontFace.h"

#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

FontFace::FontFace() : m_engine(FontEngine::instance()) {}

FontFace::FontFace(FontEngine* engine) : m_engine(engine) {}

FontFace::~FontFace()
{
    if (m_face)
        FT_Done_Face(m_face);
}

namespace {

// TrueType outlines live in a 'glyf' table; CFF, Type 1 and bitmap faces
// have none and are refused.
bool hasTrueTypeOutlines(FT_Face face)
{
    if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face))
        return false;
    FT_ULong length = 0;
    return FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &length) == 0 && length > 0;
}

} // namespace

bool FontFace::open(const char* path)
{
    if (m_face || !m_engine || !path)
        return false;
    FT_Face face = nullptr;
    if (FT_New_Face(m_engine->library(), path, 0, &face) != 0) {
        if (face)
            FT_Done_Face(face);
        return false;
    }
    if (!hasTrueTypeOutlines(face)) {
        FT_Done_Face(face);
        return false;
    }
    m_face = face;
    buildCharToGlyph();
    return true;
}

void FontFace::buildCharToGlyph()
{
    m_charToGlyph.fill(0);
    FT_CharMap chosen = nullptr;
    for (FT_Int i = 0; i < m_face->num_charmaps; ++i) {
        FT_CharMap map = m_face->charmaps[i];
        if ((map->platform_id == 3 && map->encoding_id == 1) || (map->platform_id == 0 && map->encoding_id == 0)) {
            chosen = map;
            break;
        }
    }

    if (chosen) {
        if (FT_Set_Charmap(m_face, chosen) != 0)
            return;
        for (int code = 0; code < 256; ++code) {
            const int index = static_cast<int>(FT_Get_Char_Index(m_face, static_cast<FT_ULong>(code)));
            m_charToGlyph[code] = index < 0 ? 0 : index;
        }
        return;
    }

    // Symbol-style faces: glyphs follow the codes from the space on.
    const long n = m_face->num_glyphs;
    for (int code = 0; code < 256; ++code) {
        const int index = code - 31;
        m_charToGlyph[code] = (index >= 0 && index < n) ? index : 0;
    }
}

int FontFace::glyphIndex(int code) const
{
    return m_charToGlyph[(code >= 0 && code < 256) ? code : 0];
}

int FontFace::numGlyphs() const
{
    return m_face ? static_cast<int>(m_face->num_glyphs) : 0;
}
