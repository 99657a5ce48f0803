#pragma once

#include <memory>
#include <vector>

#include "physics/Collisions.h"

// How far particles lie inside other bodies: for every particle strictly
// inside a triangle of another body, its distance to that body's outline.
// A plain and slow survey of every pair of bodies whose boxes meet, for
// tests and benchmarks. Bodies without a shape in `world` are left out.
std::vector<double> overlapDepths(const Collisions& world, const Collisions::Bodies& bodies);

// The area two bodies' triangles share, in square pixels: the ink of one
// that lies on the other's. Exact for a glyph's triangles, which do not
// overlap among themselves.
double sharedArea(const Collisions& world, const ParticleSystem& one, const ParticleSystem& two);
// A body's ink: the area of its triangles.
double inkArea(const Collisions& world, const ParticleSystem& body);
