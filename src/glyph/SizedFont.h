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

private:
    FontFace* m_face;
    std::unique_ptr<FontInstance> m_instance;
    std::unique_ptr<FontGlyphSet> m_glyphs; // declared after the instance: released first
};
