#pragma once

#include <concepts>
#include <memory>
#include <string>
#include <vector>

#include "glyph/FontCatalog.h"
#include "glyph/FontEngine.h"
#include "glyph/GlyphCache.h"
#include "glyph/GlyphMesh.h"

class FontFace;
class SizedFont;
class FontGlyph;
class GlyphWireTriangulator;
class ParticleSystem;
struct Particle;

// The code of a byte of Latin-1 text.
constexpr char32_t latin1(char c)
{
    return static_cast<unsigned char>(c);
}

// The one object through which the program uses fonts: loads a face by
// name (then from the font directory), keeps it at a point size, answers
// advance widths and turns characters into meshes and soft bodies.
//
// A face loaded by name has its codes 0-255 in a table of 256 glyphs
// loaded with the face. Every other character, and every character of a
// face loaded with loadFace, loads on first use into a bounded cache,
// from the face or, when it lacks the character, from an installed face
// that has it.
class GlyphMesher {
public:
    GlyphMesher(); // font directory: the program's installed font folder
    ~GlyphMesher();
    GlyphMesher(const GlyphMesher&) = delete;
    GlyphMesher& operator=(const GlyphMesher&) = delete;

    void setFontDirectory(const std::string& directory);
    const std::string& fontDirectory() const { return m_fontDirectory; }

    bool loadFont(const char* name, int pointSize);
    // Loads a face of any outline format; on failure the face in use, if
    // any, stays.
    bool loadFace(const FaceLocation& face, int pointSize);
    void unloadFont();
    bool setPointSize(int pointSize);
    // Whether characters a face lacks come from installed faces (on).
    void setFallback(bool on) { m_fallback = on; }
    // The entry points below take a character code. A char (and only a
    // char: other integers convert as they always did) is a byte of
    // Latin-1 text, read unsigned, so that 'é' (0xE9) is U+00E9 and not
    // a code beyond Unicode.
    bool selectGlyph(char32_t c, double precision);
    template <std::same_as<char> Byte>
    bool selectGlyph(Byte c, double precision)
    {
        return selectGlyph(latin1(c), precision);
    }
    // On true the mesh holds the character's segments: none for a glyph
    // without an outline; the face's missing-glyph box for an outline
    // that gives no triangle (past the glyph budget, say). False, with
    // the mesh empty, when there is no glyph.
    bool triangulate(char32_t c, double precision);
    template <std::same_as<char> Byte>
    bool triangulate(Byte c, double precision)
    {
        return triangulate(latin1(c), precision);
    }
    // Advance in pixels; 0 without a glyph.
    double advanceWidth(char32_t c);
    template <std::same_as<char> Byte>
    double advanceWidth(Byte c)
    {
        return advanceWidth(latin1(c));
    }
    const GlyphMesh& mesh() const { return m_mesh; }
    bool hasFont() const;
    // The glyph of a character, loading it if need be; null without one.
    // Valid until the next call of the mesher.
    const FontGlyph* glyph(char32_t c);
    template <std::same_as<char> Byte>
    const FontGlyph* glyph(Byte c)
    {
        return glyph(latin1(c));
    }
    // A word shaped in a face loaded with loadFace: its glyphs left to
    // right, each a key that triangulate, advanceWidth and buildGlyphBody
    // take like a character. Empty without such a face.
    std::vector<GlyphCache::ShapedGlyph> shape(const std::u32string& word);
    // The family of the face in use; empty without one.
    std::string familyName() const;
    // The installed faces, as this mesher finds them.
    const FontCatalog& catalog() const { return m_catalog; }
    const GlyphWireTriangulator& triangulator() const { return *m_triangulator; }

    // Fills system with one particle per distinct mesh corner and one
    // spring per edge; triangleVertices (if given) gets three corners per
    // triangle. Without a system nothing is built and the list is emptied.
    // False, with nothing changed, when triangulation fails.
    bool buildGlyphBody(char32_t c, ParticleSystem* system, double precision, double stiffness, double damping,
                        std::vector<Particle*>* triangleVertices);
    template <std::same_as<char> Byte>
    bool buildGlyphBody(Byte c, ParticleSystem* system, double precision, double stiffness, double damping,
                        std::vector<Particle*>* triangleVertices)
    {
        return buildGlyphBody(latin1(c), system, precision, stiffness, damping, triangleVertices);
    }

private:
    void resetSelection();
    // Refills the mesh with a glyph's triangles, finer chords if need be.
    void meshGlyph(const FontGlyph& glyph, double precision);

    std::string m_fontDirectory;
    FontEngine m_engine; // outlives the faces
    FontCatalog m_catalog;
    std::unique_ptr<FontFace> m_face;
    std::unique_ptr<SizedFont> m_sizedFont; // only for a face loaded by name
    std::unique_ptr<GlyphCache> m_cache;
    bool m_fallback = true;
    int m_pointSize = -1;

    const FontGlyph* m_currentGlyph = nullptr; // owned by m_sizedFont or m_cache
    char32_t m_currentChar = 0;
    int m_selectedPointSize = -1;
    double m_selectedPrecision = -1.0;
    bool m_selectedFromCache = false;
    unsigned long m_selectedGeneration = 0; // of the cache at the selection

    std::unique_ptr<GlyphWireTriangulator> m_triangulator;
    GlyphMesh m_mesh;
};
