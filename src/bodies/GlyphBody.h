#pragma once

#include <vector>

#include "glyph/GlyphMesh.h"
#include "physics/ParticleSystem.h"

// Turns a glyph mesh into a soft body: every distinct corner (within half
// a pixel) one particle of mass 1, every edge pair one spring at the
// distance of the particles it joins, appended after the system's forces.
// triangleVertices, when given, is emptied and receives the first end of
// every edge pair: three corners per triangle, in mesh order.
void addGlyphMeshToBody(const GlyphMesh& mesh, ParticleSystem& system, double stiffness, double damping,
                        std::vector<Particle*>* triangleVertices);
