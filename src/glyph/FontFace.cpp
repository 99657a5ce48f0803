#include "glyph/FontFace.h"

#include <utility>

#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include "platform/RegularFile.h"

namespace {

// The engine's read callback; a count of 0 asks whether it may seek there.
unsigned long readAt(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    if (count == 0)
        return offset > stream->size ? 1 : 0;
    const auto* file = static_cast<const RegularFile*>(stream->descriptor.pointer);
    return static_cast<unsigned long>(file->readAt(offset, buffer, count));
}

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

// An open regular file and the stream through which the engine reads it,
// so the engine never opens the path itself.
struct FontFace::File {
    explicit File(RegularFile opened) : file(std::move(opened))
    {
        stream.descriptor.pointer = &file;
        stream.size = static_cast<unsigned long>(file.size());
        stream.read = &readAt;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    RegularFile file;
    FT_StreamRec stream{};
};

FontFace::FontFace()
    : m_ownEngine(std::make_unique<FontEngine>()), m_engine(m_ownEngine->library() ? m_ownEngine.get() : nullptr)
{
}

FontFace::FontFace(FontEngine* engine) : m_engine(engine) {}

FontFace::~FontFace()
{
    if (m_face)
        FT_Done_Face(m_face);
}

bool FontFace::open(const char* path)
{
    return open(path, 0, true);
}

bool FontFace::openAny(const char* path, long index)
{
    return open(path, index, false);
}

bool FontFace::open(const char* path, long index, bool trueTypeOnly)
{
    if (m_face || !m_engine || !path || index < 0 || index > 0xFFFF)
        return false;
    RegularFile opened(path);
    if (!opened.isOpen())
        return false;
    auto file = std::make_unique<File>(std::move(opened));
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = &file->stream;
    FT_Face face = nullptr;
    if (FT_Open_Face(m_engine->library(), &args, index, &face) != 0) {
        if (face)
            FT_Done_Face(face);
        return false;
    }
    if (trueTypeOnly ? !hasTrueTypeOutlines(face) : !FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        return false;
    }
    m_file = std::move(file);
    m_face = face;
    if (trueTypeOnly)
        buildCharToGlyph();
    // Characters beyond the table go through the widest Unicode map.
    FT_Select_Charmap(m_face, FT_ENCODING_UNICODE);
    m_unicode = m_face->charmap && m_face->charmap->encoding == FT_ENCODING_UNICODE;
    if (!m_face->charmap && m_face->num_charmaps > 0)
        FT_Set_Charmap(m_face, m_face->charmaps[0]);
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

unsigned FontFace::glyphIndexFor(char32_t code) const
{
    if (!m_face || !m_face->charmap)
        return 0;
    const FT_UInt index = FT_Get_Char_Index(m_face, code);
    if (index != 0 || m_unicode || code > 0xFF)
        return index;
    return FT_Get_Char_Index(m_face, 0xF000 + code);
}

std::string FontFace::familyName() const
{
    return m_face && m_face->family_name ? m_face->family_name : "";
}

long FontFace::faceCount() const
{
    return m_face ? m_face->num_faces : 0;
}

int FontFace::numGlyphs() const
{
    return m_face ? static_cast<int>(m_face->num_glyphs) : 0;
}
