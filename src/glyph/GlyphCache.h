#pragma once

#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "glyph/FontCatalog.h"
#include "glyph/FontGlyph.h"

// Glyphs of any character, loaded on first use at the face's point size
// and kept. A character the face lacks comes from the first installed
// face of its fallback list that has it, and only when none has it from
// the face's missing-glyph glyph, so a character always has a glyph.
//
// The memory is bounded: at most MaxGlyphs glyphs and MaxHeldPoints
// outline points in all (17 bytes each as the engine holds them, so
// under 5 MB), the least recently used going first, and at most
// MaxFallbackFaces installed faces open (or those of the word being
// shaped); opening one more drops them all with their glyphs. Whatever is
// dropped loads again, the same, when used.
//
// Text can also be shaped: a glyph of shaped text is named by a key
// beyond Unicode, which glyph() takes like a character.
class GlyphCache {
public:
    // A glyph of shaped text, left to right: its key, its index in its
    // face, the index in the text of the character it shows (the first
    // of a ligature), and where it goes, in pixels, y up.
    struct ShapedGlyph {
        char32_t key;
        unsigned index;
        int cluster;
        double advance;
        double xOffset;
        double yOffset;
    };
    static constexpr char32_t FirstGlyphKey = 0x200000;

    static constexpr int MaxGlyphs = 1024;
    static constexpr long MaxHeldPoints = 1L << 18;
    static constexpr int MaxFallbackFaces = 16;

    // `face` and `catalog` must outlive the cache. Without `fallback` only
    // the face's own glyphs are used; with it, the catalog's installed faces
    // give those it lacks.
    GlyphCache(FontFace& face, bool fallback, const FontCatalog& catalog);
    ~GlyphCache();
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    // Sizes every face anew, dropping all glyphs; false when the face
    // cannot be sized, and then no glyph loads.
    bool setPointSize(int points);
    // Null when no glyph loads (no size, or an engine failure).
    const FontGlyph* glyph(char32_t code);
    // Changes whenever a glyph is dropped: a pointer from glyph() stays
    // valid while this stays the same.
    unsigned long generation() const { return m_generation; }
    int size() const { return static_cast<int>(m_entries.size()); }

    // Shapes text with HarfBuzz: kerning, joining and right-to-left order,
    // each run of characters in the face that gives them. A face without
    // shaping tables (Type 1) places its characters one by one.
    std::vector<ShapedGlyph> shape(const std::u32string& text);

private:
    struct Source {
        std::unique_ptr<FontFace> owned; // an installed face; none for the face itself
        FontFace* face = nullptr;
        FaceLocation location;
        std::unique_ptr<FontInstance> instance;
    };
    struct Entry {
        char32_t code;
        std::unique_ptr<FontGlyph> glyph;
    };

    std::unique_ptr<FontGlyph> load(char32_t code);
    // The source that gives the character and the glyph's index there: the
    // face itself with index 0 when no face has it.
    Source* sourceOf(char32_t code, unsigned& index);
    void shapeRun(Source& source, const std::u32string& text, std::size_t begin, std::size_t end,
                  std::vector<ShapedGlyph>& out);
    std::unique_ptr<FontGlyph> loadFrom(Source& source, char32_t code, unsigned index);
    Source* fallbackSource(const FaceLocation& location);
    bool sizeSource(Source& source);
    void dropGlyphs();

    bool m_fallback;
    bool m_shaping = false;
    int m_points = 0;
    std::vector<std::unique_ptr<Source>> m_sources; // [0]: the face itself
    const FontCatalog& m_catalog;
    std::unique_ptr<FallbackFaces> m_fallbackFaces; // made on the first character the face lacks
    std::list<Entry> m_entries;                      // most recently used first
    std::unordered_map<char32_t, std::list<Entry>::iterator> m_byCode;
    long m_heldPoints = 0;
    unsigned long m_generation = 0;
};
