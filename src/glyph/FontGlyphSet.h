#pragma once

#include <memory>
#include <vector>

#include "glyph/FontGlyph.h"

// The 256 glyphs of one font instance, indexed by character code; a code
// whose glyph failed to load has no entry.
class FontGlyphSet {
public:
    explicit FontGlyphSet(FontInstance* instance) : m_instance(instance) {}
    virtual ~FontGlyphSet();
    FontGlyphSet(const FontGlyphSet&) = delete;
    FontGlyphSet& operator=(const FontGlyphSet&) = delete;

    // Loads every code 0-255; succeeds even when some glyphs fail.
    virtual bool create();

    // Null for codes outside 0-255, failed codes, or before create.
    const FontGlyph* glyph(int code) const;

private:
    FontInstance* m_instance;
    std::vector<std::unique_ptr<FontGlyph>> m_glyphs;
};
