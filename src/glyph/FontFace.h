#pragma once

#include <array>
#include <memory>

#include "glyph/FontEngine.h"

// One opened TrueType face and the mapping of character codes 0-255 to
// its glyph indices.
class FontFace {
public:
    FontFace(); // uses the process-wide engine
    explicit FontFace(FontEngine* engine);
    virtual ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Opens the file at path (used unchanged) and builds the code map.
    // Fails when already open, without an engine, or for anything that is
    // not a readable TrueType face; a FIFO, device or folder is not even
    // read, and opening never waits for one.
    bool open(const char* path);
    bool isOpen() const { return m_face != nullptr; }

    // Glyph index for a code; codes outside 0-255 use the entry of 0.
    int glyphIndex(int code) const;
    const std::array<int, 256>& charToGlyph() const { return m_charToGlyph; }
    int numGlyphs() const;

    FT_Face handle() const { return m_face; }

private:
    struct File;

    void buildCharToGlyph();

    FontEngine* m_engine;
    std::unique_ptr<File> m_file; // the engine reads the face through it
    FT_Face m_face = nullptr;
    std::array<int, 256> m_charToGlyph{};
};
