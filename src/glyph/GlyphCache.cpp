#include "glyph/GlyphCache.h"

#include <hb-ft.h>

#include <algorithm>
#include <cstdint>

#include "glyph/GlyphMetrics.h"

GlyphCache::GlyphCache(FontFace& face, bool fallback, const FontCatalog& catalog)
    : m_fallback(fallback), m_catalog(catalog)
{
    auto own = std::make_unique<Source>();
    own->face = &face;
    m_sources.push_back(std::move(own));
}

GlyphCache::~GlyphCache()
{
    // Glyphs before the instances they were loaded at.
    dropGlyphs();
}

void GlyphCache::dropGlyphs()
{
    m_byCode.clear();
    m_entries.clear();
    m_heldPoints = 0;
    ++m_generation;
}

bool GlyphCache::sizeSource(Source& source)
{
    source.instance = std::make_unique<FontInstance>(source.face);
    if (source.instance->create() && source.instance->setResolutions(96, 96)
        && source.instance->setCharSize(m_points))
        return true;
    source.instance.reset();
    return false;
}

bool GlyphCache::setPointSize(int points)
{
    dropGlyphs();
    m_points = points < 1 ? 1 : points;
    bool sized = true;
    for (auto& source : m_sources)
        sized = sizeSource(*source) && sized;
    return m_sources.front()->instance != nullptr && sized;
}

const FontGlyph* GlyphCache::glyph(char32_t code)
{
    if (const auto found = m_byCode.find(code); found != m_byCode.end()) {
        m_entries.splice(m_entries.begin(), m_entries, found->second);
        return m_entries.front().glyph.get();
    }
    std::unique_ptr<FontGlyph> loaded = load(code);
    if (!loaded)
        return nullptr;
    m_heldPoints += loaded->pointCount();
    m_entries.push_front({code, std::move(loaded)});
    m_byCode[code] = m_entries.begin();
    while (m_entries.size() > 1
           && (m_entries.size() > static_cast<std::size_t>(MaxGlyphs) || m_heldPoints > MaxHeldPoints)) {
        m_heldPoints -= m_entries.back().glyph->pointCount();
        m_byCode.erase(m_entries.back().code);
        m_entries.pop_back();
        ++m_generation;
    }
    return m_entries.front().glyph.get();
}

std::unique_ptr<FontGlyph> GlyphCache::load(char32_t code)
{
    if (code >= FirstGlyphKey) {
        const std::size_t source = (code - FirstGlyphKey) >> 16;
        if (source >= m_sources.size())
            return nullptr;
        return loadFrom(*m_sources[source], code, (code - FirstGlyphKey) & 0xFFFF);
    }
    unsigned index = 0;
    Source* source = sourceOf(code, index);
    if (auto glyph = loadFrom(*source, code, index))
        return glyph;
    // A face whose glyph will not load gives the face's own box.
    return source == m_sources.front().get() ? nullptr : loadFrom(*m_sources.front(), code, 0);
}

GlyphCache::Source* GlyphCache::sourceOf(char32_t code, unsigned& index)
{
    Source& own = *m_sources.front();
    index = own.face->glyphIndexFor(code);
    if (index != 0 || !m_fallback)
        return &own;
    if (!m_fallbackFaces)
        m_fallbackFaces = std::make_unique<FallbackFaces>(m_catalog, own.face->familyName());
    for (int from = 0;;) {
        const std::optional<FallbackFaces::Found> found = m_fallbackFaces->find(code, from);
        if (!found)
            return &own;
        from = found->position + 1;
        // A face whose character set promises more than its map holds is
        // passed over.
        if (Source* source = fallbackSource(found->face))
            if ((index = source->face->glyphIndexFor(code)) != 0)
                return source;
    }
}

std::vector<GlyphCache::ShapedGlyph> GlyphCache::shape(const std::u32string& text)
{
    std::vector<ShapedGlyph> out;
    m_shaping = true;
    for (std::size_t begin = 0; begin < text.size();) {
        unsigned index = 0;
        Source* source = sourceOf(text[begin], index);
        std::size_t end = begin + 1;
        while (end < text.size() && sourceOf(text[end], index) == source)
            ++end;
        shapeRun(*source, text, begin, end, out);
        begin = end;
    }
    m_shaping = false;
    return out;
}

void GlyphCache::shapeRun(Source& source, const std::u32string& text, std::size_t begin, std::size_t end,
                          std::vector<ShapedGlyph>& out)
{
    if (!source.instance)
        return;
    FT_Face face = source.face->handle();
    if (!FT_IS_SFNT(face) || !source.instance->activate()) {
        for (std::size_t i = begin; i < end; ++i) {
            const FontGlyph* found = glyph(text[i]);
            out.push_back({text[i], 0, static_cast<int>(i), found ? found->advance() * PixelsPer26Dot6Unit : 0.0, 0.0, 0.0});
        }
        return;
    }
    const auto sourceIndex = static_cast<char32_t>(
        std::find_if(m_sources.begin(), m_sources.end(), [&](const auto& s) { return s.get() == &source; })
        - m_sources.begin());
    hb_font_t* font = hb_ft_font_create_referenced(face);
    // Advances as the glyphs are loaded: hinted.
    hb_ft_font_set_load_flags(font, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()), static_cast<int>(text.size()),
                        static_cast<unsigned>(begin), static_cast<int>(end - begin));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    for (unsigned i = 0; i < count; ++i)
        out.push_back({FirstGlyphKey + (sourceIndex << 16) + (infos[i].codepoint & 0xFFFF), infos[i].codepoint,
                       static_cast<int>(infos[i].cluster), positions[i].x_advance * PixelsPer26Dot6Unit,
                       positions[i].x_offset * PixelsPer26Dot6Unit, positions[i].y_offset * PixelsPer26Dot6Unit});
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
}

std::unique_ptr<FontGlyph> GlyphCache::loadFrom(Source& source, char32_t code, unsigned index)
{
    if (!source.instance)
        return nullptr;
    auto glyph = std::make_unique<FontGlyph>(source.instance.get());
    if (!glyph->create(static_cast<int>(code), index))
        return nullptr;
    return glyph;
}

GlyphCache::Source* GlyphCache::fallbackSource(const FaceLocation& location)
{
    for (auto& source : m_sources)
        if (source->owned && source->location == location)
            return source->instance ? source.get() : nullptr;

    // Not while shaping, whose runs point at the faces: a word's faces stay.
    if (static_cast<int>(m_sources.size()) > MaxFallbackFaces && !m_shaping) {
        dropGlyphs();
        m_sources.resize(1);
    }
    auto source = std::make_unique<Source>();
    source->owned = std::make_unique<FontFace>(m_sources.front()->face->engine());
    source->face = source->owned.get();
    source->location = location;
    // A face that will not open or size stays listed, so it is not tried
    // again for every character.
    if (source->face->openAny(location.file.c_str(), location.index))
        sizeSource(*source);
    m_sources.push_back(std::move(source));
    return m_sources.back()->instance ? m_sources.back().get() : nullptr;
}
