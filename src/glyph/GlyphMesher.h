#pragma once

#include <memory>
#include <string>
#include <vector>

#include "glyph/GlyphMesh.h"

class FontFace;
class SizedFont;
class FontGlyph;
class GlyphWireTriangulator;
class ParticleSystem;
struct Particle;

// The one object through which the program uses fonts: loads a face by
// name (then from the font directory), keeps it at a point size, answers
// advance widths and turns characters into meshes and soft bodies.
class GlyphMesher {
public:
    GlyphMesher(); // font directory: the program's installed font folder
    ~GlyphMesher();
    GlyphMesher(const GlyphMesher&) = delete;
    GlyphMesher& operator=(const GlyphMesher&) = delete;

    void setFontDirectory(const std::string& directory);
    const std::string& fontDirectory() const { return m_fontDirectory; }

    bool loadFont(const char* name, int pointSize);
    void unloadFont();
    bool setPointSize(int pointSize);
    bool selectGlyph(char c, double precision);
    // On true the mesh holds the character's segments: none for a glyph
    // without an outline or past the glyph budget. False, with the mesh
    // empty, when there is no glyph.
    bool triangulate(char c, double precision);
    // Advance in pixels; 0 without a glyph.
    double advanceWidth(char c) const;
    const GlyphMesh& mesh() const { return m_mesh; }
    bool hasFont() const;

    // Fills system with one particle per distinct mesh corner and one
    // spring per edge; triangleVertices (if given) gets three corners per
    // triangle. Without a system nothing is built and the list is emptied.
    // False, with nothing changed, when triangulation fails.
    bool buildGlyphBody(char c, ParticleSystem* system, double precision, double stiffness, double damping,
                        std::vector<Particle*>* triangleVertices);

private:
    std::string m_fontDirectory;
    std::unique_ptr<FontFace> m_face;
    std::unique_ptr<SizedFont> m_sizedFont;
    int m_pointSize = -1;

    const FontGlyph* m_currentGlyph = nullptr; // owned by m_sizedFont
    unsigned char m_currentChar = 0;
    int m_selectedPointSize = -1;
    double m_selectedPrecision = -1.0;

    std::unique_ptr<GlyphWireTriangulator> m_triangulator;
    GlyphMesh m_mesh;
};
