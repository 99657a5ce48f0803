#pragma once

#include "glyph/FontFace.h"

// A face at one character size and resolution.
class FontInstance {
public:
    explicit FontInstance(FontFace* face) : m_face(face) {}
    virtual ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    bool create();
    bool setResolutions(int horizontalDpi, int verticalDpi);
    // Size in points; applied as points * 64 in 26.6, both directions.
    bool setCharSize(int points);

    // Makes this instance's size the one its face loads glyphs at.
    bool activate() const;

    bool isCreated() const { return m_size != nullptr; }
    FontFace* face() const { return m_face; }

private:
    bool apply() const;

    FontFace* m_face;
    FT_Size m_size = nullptr;
    int m_horizontalDpi = 72;
    int m_verticalDpi = 72;
    FT_F26Dot6 m_charSize = 0;
};
