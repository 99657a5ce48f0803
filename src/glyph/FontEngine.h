#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

// The process-wide handle of the TrueType engine.
class FontEngine {
public:
    // The one engine of the process, initialised on first request. Null
    // when initialisation fails; the next request then tries again.
    static FontEngine* instance();

    virtual ~FontEngine();
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    FT_Library library() const { return m_library; }

private:
    explicit FontEngine(FT_Library library) : m_library(library) {}

    FT_Library m_library;
};
