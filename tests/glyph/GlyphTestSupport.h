#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "glyph/FontFace.h"
#include "glyph/GlyphOutline.h"
#include "glyph/SizedFont.h"

inline std::string testFontPath(const char* name)
{
    return std::string(LEXFALL_TEST_FONT_DIR) + name;
}

// A face opened from a path and sized at the program's 48 points.
struct LoadedFont {
    FontFace face;
    SizedFont font{&face};
    explicit LoadedFont(const std::string& path)
    {
        EXPECT_TRUE(face.open(path.c_str())) << path;
        EXPECT_TRUE(font.create(48)) << path;
    }
    const FontGlyph* glyph(int code) const { return font.glyph(code); }
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A point in pixels; on-curve unless marked off (quadratic) or cubic.
struct OutlinePoint {
    double x;
    double y;
    bool on = true;
    bool cubic = false;
};

inline OutlinePoint off(double x, double y)
{
    return {x, y, false};
}

inline OutlinePoint cubic(double x, double y)
{
    return {x, y, false, true};
}

// Builds an outline record from pixel coordinates, one call per contour.
class OutlineBuilder {
public:
    OutlineBuilder& contour(std::initializer_list<OutlinePoint> points) { return contour(std::vector(points)); }
    OutlineBuilder& contour(const std::vector<OutlinePoint>& points)
    {
        for (const OutlinePoint& p : points) {
            m_outline.points.push_back({static_cast<std::int32_t>(p.x * 64), static_cast<std::int32_t>(p.y * 64)});
            m_outline.flags.push_back(p.on ? GlyphOutline::OnCurve : p.cubic ? GlyphOutline::Cubic : 0);
        }
        m_outline.contourEnds.push_back(static_cast<std::uint16_t>(m_outline.points.size() - 1));
        ++m_outline.numContours;
        return *this;
    }
    const GlyphOutline& outline() const { return m_outline; }

private:
    GlyphOutline m_outline;
};
