#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

// A handle of the TrueType engine. Whoever reads faces makes one (a mesher
// for its faces, a face read alone for itself); faces of one engine are
// used from one thread at a time.
class FontEngine {
public:
    FontEngine();
    ~FontEngine();
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    // Null when the engine failed to start.
    FT_Library library() const { return m_library; }

private:
    FT_Library m_library = nullptr;
};
