#pragma once

#include <utility>
#include <vector>

#include "physics/RigidBody.h"
#include "physics/ShapeGeometry.h"
#include "physics/ShapeTick.h"

class ParticleSystem;

// All collisions keep of one body: its geometry, made once; where it
// stands this tick; the rigid piece the solver moves; and its place among
// the others.
struct CollisionShape {
    // `corners` holds three particles of `body` per triangle.
    CollisionShape(const ParticleSystem& body, const std::vector<Particle*>& corners);
    // A shape read back from a file: only its particles, the body's, are
    // set; the reader puts back the rest as it was saved.
    explicit CollisionShape(std::vector<Particle*> bodyParticles) : geometry(std::move(bodyParticles)) {}

    // Where every particle stands before the step.
    void rememberStart() { tick.rememberStart(geometry, rigid.asleep); }
    // Where the body stands now, and its mass and motion; it starts the
    // tick with no motion asked of it. False when it kept what it measured
    // before (a sleeper that has not moved), or, leaving the body out of
    // every test, when a position is not finite.
    bool measureBody();
    // The same, and its outline, which meeting another body needs.
    bool measure()
    {
        const bool measured = measureBody();
        tick.measureOutline(geometry);
        return measured;
    }
    // Measures where the particles stand now, as if the body had moved:
    // what a sleeper read back from a file kept, made again.
    void remeasure()
    {
        tick.forgetUnmoved();
        measure();
    }
    // Whether (x, y) lies strictly inside one of the triangles.
    bool contains(double x, double y) const { return tick.contains(geometry, x, y); }

    ShapeGeometry geometry;
    ShapeTick tick;
    RigidBody rigid;
    // Numbers the bodies in the order they first collide, which is the
    // scene's order.
    unsigned id = 0;
    // Has touched or lain in another body since it was made: only then do
    // the window's sides hold it in; a letter flying free leaves by them.
    bool joined = false;
};

// Both kept in shape, neither soft: such a pair rests a skin apart and
// comes out of one another by the nearest edge.
inline bool keptInShape(const CollisionShape& one, const CollisionShape& two)
{
    return one.geometry.turns && two.geometry.turns;
}
