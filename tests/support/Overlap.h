#pragma once

#include <memory>
#include <vector>

#include "physics/ParticleSystem.h"

// How far particles lie inside other bodies: for every particle strictly
// inside a triangle of another body, its distance to that body's outline.
// A plain and slow survey of every pair of bodies whose boxes meet, for
// tests and benchmarks. Bodies without a collision shape are left out.
std::vector<double> overlapDepths(const std::vector<std::unique_ptr<ParticleSystem>>& bodies);

// The area two bodies' triangles share, in square pixels: the ink of one
// that lies on the other's. Exact for a glyph's triangles, which do not
// overlap among themselves.
double sharedArea(const ParticleSystem& one, const ParticleSystem& two);
// A body's ink: the area of its triangles.
double inkArea(const ParticleSystem& body);
