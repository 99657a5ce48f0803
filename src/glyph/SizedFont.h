#pragma once

#include <memory>

#include "glyph/FontGlyphSet.h"

// A face at one point size (96 dpi) with its 256 glyphs loaded.
class SizedFont {
public:
    explicit SizedFont(FontFace* face) : m_face(face) {}
    virtual ~SizedFont();
    SizedFont(const SizedFont&) = delete;
    SizedFont& operator=(const SizedFont&) = delete;

    // Sizes below 1 are taken as 1. Replaces any earlier instance and set.
    bool create(int points);

    const FontGlyph* glyph(int code) const { return m_glyphs ? m_glyphs->glyph(code) : nullptr; }
    FontFace* face() const { return m_face; }
    const FontInstance* instance() const { return m_instance.get(); }
    const FontGlyphSet* glyphSet() const { return m_glyphs.get(); }

private:
    FontFace* m_face;
    std::unique_ptr<FontInstance> m_instance;
    std::unique_ptr<FontGlyphSet> m_glyphs; // declared after the instance: released first
};
