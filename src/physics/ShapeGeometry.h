#pragma once

#include <utility>
#include <vector>

#include "physics/Particle.h"

class ParticleSystem;

// What collisions know of a body's form, made once from its triangle
// corners: its filled triangles, which other bodies' particles are kept
// out of, and its outline, where they are pushed back to.
struct ShapeGeometry {
    // An outline edge (a triangle side no other triangle shares) and the
    // third corner of its triangle, which tells inside from outside.
    struct Edge {
        Particle* a;
        Particle* b;
        Particle* inner;
    };

    // A point tested against other bodies: (1 - u) times particle a plus
    // u times particle b (indices into `particles`); a particle is one with
    // a == b.
    struct Probe {
        int a;
        int b;
        double u;
    };

    // `corners` holds three particles of `body` per triangle.
    ShapeGeometry(const ParticleSystem& body, const std::vector<Particle*>& corners);
    // A geometry read back from a file: only its particles, the body's, are
    // set; the reader puts back the rest as it was saved.
    explicit ShapeGeometry(std::vector<Particle*> bodyParticles) : particles(std::move(bodyParticles)) {}

    // The outline of the triangles with these corners, three a triangle,
    // as a geometry made from them finds it. `countRepeatedCorners`: count
    // the sides of a triangle with a repeated corner too, as scene files of
    // format 2 and older were written with (see outlineOf).
    static std::vector<Edge> outlineOf(const std::vector<Particle*>& corners, bool countRepeatedCorners = false);

    std::vector<Particle*> particles;
    std::vector<Particle*> corners; // three per triangle of some area
    std::vector<Edge> outline;
    // Every particle, and points along the outline edges no further apart
    // than about the body's strokes are thick: a stroke of another body
    // that crosses an edge between its ends then holds one of them.
    std::vector<Probe> probes;
    double restArea = 0.0;
    // Turns as a whole when pushed, for a body kept in its shape; a soft
    // body only moves.
    bool turns = true;
};
