#include "glyph/FontGlyph.h"

#include <algorithm>

#include "glyph/GlyphVectorizer.h"

FontGlyph::~FontGlyph()
{
    release();
}

void FontGlyph::release()
{
    if (m_glyph) {
        FT_Done_Glyph(m_glyph);
        m_glyph = nullptr;
    }
    m_metrics.reset();
}

bool FontGlyph::create(int code)
{
    const bool ready = m_instance && m_instance->face() && m_instance->face()->isOpen();
    return create(code, ready ? static_cast<unsigned>(m_instance->face()->glyphIndex(code)) : 0);
}

bool FontGlyph::create(int code, unsigned index)
{
    m_code = code;
    release();
    if (!m_instance || !m_instance->isCreated() || !m_instance->face() || !m_instance->face()->isOpen())
        return false;

    FT_Face face = m_instance->face()->handle();
    // Several instances share the face: load at this one's size.
    if (!m_instance->activate())
        return false;
    // Hinting costs time with every point, and an outline past the glyph
    // budget is refused anyway: such a glyph is loaded unhinted.
    FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0
        && face->glyph->outline.n_points > GlyphVectorizer::MaxOutlinePoints)
        flags |= FT_LOAD_NO_HINTING;
    if (FT_Load_Glyph(face, index, flags) != 0)
        return false;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    if (FT_Get_Glyph(face->glyph, &m_glyph) != 0) {
        m_glyph = nullptr;
        return false;
    }

    FT_BBox box;
    FT_Glyph_Get_CBox(m_glyph, FT_GLYPH_BBOX_UNSCALED, &box);
    const FT_Glyph_Metrics& m = face->glyph->metrics;
    auto metrics = std::make_unique<GlyphMetrics>();
    metrics->xMin = static_cast<std::int32_t>(box.xMin);
    metrics->yMin = static_cast<std::int32_t>(box.yMin);
    metrics->xMax = static_cast<std::int32_t>(box.xMax);
    metrics->yMax = static_cast<std::int32_t>(box.yMax);
    metrics->bearingX = static_cast<std::int32_t>(m.horiBearingX);
    metrics->bearingY = static_cast<std::int32_t>(m.horiBearingY);
    metrics->advance = static_cast<std::int32_t>(face->glyph->advance.x);
    m_metrics = std::move(metrics);
    return true;
}

int FontGlyph::pointCount() const
{
    return m_glyph && m_glyph->format == FT_GLYPH_FORMAT_OUTLINE
        ? reinterpret_cast<FT_OutlineGlyph>(m_glyph)->outline.n_points
        : 0;
}

bool FontGlyph::outline(GlyphOutline& out) const
{
    if (!m_glyph || m_glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    const FT_Outline& source = reinterpret_cast<FT_OutlineGlyph>(m_glyph)->outline;
    const int nContours = source.n_contours;
    const int nPoints = source.n_points;
    if (nContours < 0 || nPoints < 0)
        return false;

    out.numContours = nContours;
    out.contourEnds.assign(source.contours, source.contours + nContours);
    out.flags.resize(static_cast<std::size_t>(nPoints));
    out.points.resize(static_cast<std::size_t>(nPoints));
    for (int i = 0; i < nPoints; ++i) {
        out.flags[i] = static_cast<unsigned char>(source.tags[i]);
        out.points[i] = {static_cast<std::int32_t>(source.points[i].x), static_cast<std::int32_t>(source.points[i].y)};
    }
    if (!out.isWellFormed())
        return false;
    // PostScript outlines (CFF, Type 1) run the other way round: turned,
    // each from its first point, their exteriors run clockwise as
    // TrueType's do.
    if (source.flags & FT_OUTLINE_REVERSE_FILL) {
        int first = 0;
        for (const std::uint16_t end : out.contourEnds) {
            std::reverse(out.points.begin() + first + 1, out.points.begin() + end + 1);
            std::reverse(out.flags.begin() + first + 1, out.flags.begin() + end + 1);
            first = end + 1;
        }
    }
    return true;
}
