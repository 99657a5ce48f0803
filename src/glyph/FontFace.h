#pragma once

#include <array>
#include <memory>
#include <string>

#include "glyph/FontEngine.h"

// One opened TrueType face and the mapping of character codes 0-255 to
// its glyph indices.
class FontFace {
public:
    FontFace(); // with an engine of its own
    explicit FontFace(FontEngine* engine);
    virtual ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Opens the file at path (used unchanged) and builds the code map.
    // Fails when already open, without an engine, or for anything that is
    // not a readable TrueType face; a FIFO, device or folder is not even
    // read, and opening never waits for one.
    bool open(const char* path);
    // Opens face `index` of a file in any scalable outline format the
    // engine reads: TrueType, OpenType with CFF outlines, Type 1, and
    // collections (.ttc, .otc). Bitmap-only faces are refused.
    bool openAny(const char* path, long index = 0);
    bool isOpen() const { return m_face != nullptr; }

    // Glyph index for a code; codes outside 0-255 use the entry of 0.
    int glyphIndex(int code) const;
    // The glyph of any character through the face's Unicode map; a face
    // without one uses its own map, where a symbol face also has codes
    // 0-255 at U+F000 on. 0 when the face lacks the character.
    unsigned glyphIndexFor(char32_t code) const;
    std::string familyName() const;
    // Faces in the file (several in a collection); 0 when not open.
    long faceCount() const;
    const std::array<int, 256>& charToGlyph() const { return m_charToGlyph; }
    int numGlyphs() const;

    FT_Face handle() const { return m_face; }
    // The engine it reads with; faces found for it use the same.
    FontEngine* engine() const { return m_engine; }

private:
    struct File;

    bool open(const char* path, long index, bool trueTypeOnly);
    void buildCharToGlyph();

    std::unique_ptr<FontEngine> m_ownEngine; // before m_engine, which may point at it
    FontEngine* m_engine;
    std::unique_ptr<File> m_file; // the engine reads the face through it
    FT_Face m_face = nullptr;
    bool m_unicode = false; // the selected map is Unicode
    std::array<int, 256> m_charToGlyph{};
};
