#pragma once

#include <cstdint>
#include <memory>

#include "glyph/FontInstance.h"
#include FT_GLYPH_H
#include "glyph/GlyphMetrics.h"
#include "glyph/GlyphOutline.h"

// One glyph of one font instance, loaded scaled and hinted for a code.
class FontGlyph {
public:
    explicit FontGlyph(FontInstance* instance) : m_instance(instance) {}
    virtual ~FontGlyph();
    FontGlyph(const FontGlyph&) = delete;
    FontGlyph& operator=(const FontGlyph&) = delete;

    bool create(int code);
    // Loads the glyph of a given index for a code the caller looked up.
    bool create(int code, unsigned glyphIndex);

    // Copies the loaded outline; false when no glyph is loaded.
    bool outline(GlyphOutline& out) const;

    // 26.6 advance; 0 without metrics.
    std::int32_t advance() const { return m_metrics ? m_metrics->advance : 0; }
    const GlyphMetrics* metrics() const { return m_metrics.get(); }
    int code() const { return m_code; }
    const FontInstance* instance() const { return m_instance; }
    // Points of the loaded outline; 0 without one.
    int pointCount() const;

private:
    void release();

    FontInstance* m_instance;
    FT_Glyph m_glyph = nullptr;
    int m_code = 0;
    std::unique_ptr<GlyphMetrics> m_metrics;
};
