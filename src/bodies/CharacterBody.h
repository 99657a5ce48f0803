#pragma once

#include <memory>
#include <vector>

#include "physics/ParticleSystem.h"
#include "physics/Vector3.h"

class GlyphMesher;

// A body's triangle corners, three per triangle; its global force walks
// them, so the list must stay where it is for the body's life.
using TriangleList = std::vector<Particle*>;

// What a new character's body is made with: the scene's settings at the
// moment it is added.
struct BodyRecipe {
    double restitution = 0.4;
    Vector3 gravity{0.0, 100.0, 0.0};
    double drag = 0.0;
    double precision = 30.0;
    double stiffness = 200.0;
    double damping = 1.0;
    double shapeKeeping = 0.0;
    double keepUpright = 0.0;
};

struct CharacterBody {
    std::unique_ptr<ParticleSystem> system;
    std::unique_ptr<TriangleList> triangles;
};

// The body of character c with its glyph origin at `origin`: gravity
// first, then one spring per triangle edge at the recipe's stiffness. A
// character without a glyph gives a body without particles.
CharacterBody buildCharacterBody(GlyphMesher& mesher, char32_t c, const BodyRecipe& recipe, const Vector3& origin);
