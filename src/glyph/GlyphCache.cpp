#include "glyph/GlyphCache.h"

GlyphCache::GlyphCache(FontFace& face, bool fallback) : m_fallback(fallback)
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
    Source& own = *m_sources.front();
    if (!own.instance)
        return nullptr;
    if (const unsigned index = own.face->glyphIndexFor(code))
        return loadFrom(own, code, index);

    if (m_fallback) {
        if (!m_fallbackFaces)
            m_fallbackFaces = std::make_unique<FallbackFaces>(own.face->familyName());
        for (int from = 0;;) {
            const std::optional<FallbackFaces::Found> found = m_fallbackFaces->find(code, from);
            if (!found)
                break;
            from = found->position + 1;
            Source* source = fallbackSource(found->face);
            if (!source)
                continue;
            // A face whose character set promises more than its map holds
            // is passed over.
            if (const unsigned index = source->face->glyphIndexFor(code))
                if (auto glyph = loadFrom(*source, code, index))
                    return glyph;
        }
    }
    // The face's own missing-glyph glyph.
    return loadFrom(own, code, 0);
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

    if (static_cast<int>(m_sources.size()) > MaxFallbackFaces) {
        dropGlyphs();
        m_sources.resize(1);
    }
    auto source = std::make_unique<Source>();
    source->owned = std::make_unique<FontFace>();
    source->face = source->owned.get();
    source->location = location;
    // A face that will not open or size stays listed, so it is not tried
    // again for every character.
    if (source->face->openAny(location.file.c_str(), location.index))
        sizeSource(*source);
    m_sources.push_back(std::move(source));
    return m_sources.back()->instance ? m_sources.back().get() : nullptr;
}
