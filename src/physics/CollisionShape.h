#pragma once

#include <utility>
#include <vector>

#include "physics/Contact.h"
#include "physics/Particle.h"

class ParticleSystem;

// An axis-aligned box in pixels; empty when left > right.
struct CollisionBox {
    double left = 0.0;
    double top = 0.0;
    double right = -1.0;
    double bottom = -1.0;

    bool overlaps(const CollisionBox& o) const
    {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
    bool contains(double x, double y) const { return left <= x && x <= right && top <= y && y <= bottom; }
};

// What collisions need of one body: its filled triangles and its outline,
// made once from the body's triangle corners, and where the body stands
// during the tick. Other bodies' particles are kept out of the triangles;
// the outline edges are where they are pushed back to.
class CollisionShape {
public:
    // An outline edge (a triangle side no other triangle shares) and the
    // third corner of its triangle, which tells inside from outside.
    struct Edge {
        Particle* a;
        Particle* b;
        Particle* inner;
    };

    // `corners` holds three particles of `body` per triangle.
    CollisionShape(const ParticleSystem& body, const std::vector<Particle*>& corners);
    // The outline of the triangles with these corners, three a triangle,
    // as a shape made from them finds it.
    static std::vector<Edge> outlineOf(const std::vector<Particle*>& corners);
    // A shape read back from a file: only its particles, the body's, are
    // set; the reader puts back the rest as it was saved.
    explicit CollisionShape(std::vector<Particle*> bodyParticles) : particles(std::move(bodyParticles)) {}

    // Where every particle stands before the step.
    void rememberStart();
    // The boxes of the body and of each triangle where the particles stand
    // now, and the body's mean motion since rememberStart. False, leaving
    // the body out of every test, when a position is not finite.
    bool measure();
    // Moves and turns every particle by what the solver has gathered in
    // `motion`, and adds its velocity. A soft body first loses
    // `softDamping` of its particles' motion relative to their mean.
    void applyMotion(double softDamping);
    // Lays the body to rest, or wakes it.
    void sleep();
    void wake() { asleep = false; quietTicks = 0; }
    // Counts the ticks the body has stayed within `still` pixels of where
    // it stood when it came to rest (its centre and one particle, which
    // turning moves), and sleeps after `ticks` of them.
    void settle(double still, int ticks);

    // A point tested against other bodies: (1 - u) times particle a plus
    // u times particle b (indices into `particles`); a particle is one with
    // a == b.
    struct Probe {
        int a;
        int b;
        double u;
    };

    std::vector<Particle*> particles;
    std::vector<Particle*> corners; // three per triangle of some area
    std::vector<Edge> outline;
    // Every particle, and points along the outline edges no further apart
    // than about the body's strokes are thick: a stroke of another body
    // that crosses an edge between its ends then holds one of them.
    std::vector<Probe> probes;

    std::vector<CollisionBox> triangleBoxes;
    // The triangles by cells of a kGrid x kGrid grid over the body's box:
    // those of cell c are gridTriangles[gridStart[c] .. gridStart[c + 1]).
    static constexpr int kGrid = 4;
    std::vector<int> gridStart;
    std::vector<int> gridTriangles;
    // Whether (x, y) lies strictly inside one of the triangles.
    bool contains(double x, double y) const;
    // Where each probe is now and where it started this tick.
    std::vector<double> probeX;
    std::vector<double> probeY;
    std::vector<double> probeStartX;
    std::vector<double> probeStartY;
    std::vector<double> startX;
    std::vector<double> startY;
    CollisionBox box;   // of the particles now
    CollisionBox swept; // of the particles now and at the start
    double shiftX = 0.0; // mean motion this tick
    double shiftY = 0.0;
    bool finite = true;
    // Turns as a whole when pushed, for a body kept in its shape; a soft
    // body only moves.
    bool turns = true;
    // Crushed to a sliver of its area (a soft letter flattened by the
    // weight on it): nothing can be inside it any more.
    bool crushed = false;
    // Has touched or lain in another body since it was made: only then do
    // the window's sides hold it in; a letter flying free leaves by them.
    bool joined = false;
    double restArea = 0.0;
    // Numbers the bodies in the order they first collide, which is the
    // scene's order.
    unsigned id = 0;

    // The body as one rigid piece, as contacts see it: centre of mass, mass
    // and moment of inertia about the centre, and their inverses, which
    // are 0 while it sleeps: then it does not give way.
    double centreX = 0.0;
    double centreY = 0.0;
    double mass = 0.0;
    double inertia = 0.0;
    double inverseMass = 0.0;
    double inverseInertia = 0.0;
    double meanVX = 0.0; // the particles' mean velocity
    double meanVY = 0.0;
    double meanSpin = 0.0; // and their turning about the centre, per second
    // What the contacts ask of the body as a whole this tick.
    struct Motion {
        double x = 0.0;
        double y = 0.0;
        double angle = 0.0;
        double vx = 0.0;
        double vy = 0.0;
        double spin = 0.0;
    } motion;
    std::vector<Contact> floorContacts; // and, during a tick, the sides'
    struct Impulse {
        double normal = 0.0;
        double tangent = 0.0;
    };
    std::vector<Impulse> floorImpulses; // last tick's, by particle


    // A body that has not moved for a while sleeps: it is not stepped and
    // others meet it as an immovable body, until something disturbs it.
    bool asleep = false;
    int quietTicks = 0;
    double restX = 0.0; // where the centre and the first particle stood
    double restY = 0.0; // when the quiet ticks began
    double restFirstX = 0.0;
    double restFirstY = 0.0;

    // Whether measure() has run: a sleeping body that has not moved since
    // keeps what it measured then.
    bool measured() const { return m_measured; }
    void restoreMeasured(bool measured) { m_measured = measured; }
    // Measures where the particles stand now, as if the body had moved:
    // what a sleeper read back from a file kept, made again.
    void remeasure()
    {
        m_unmoved = false;
        measure();
    }

private:
    int gridCell(double v, double low, double size) const;
    void fillGrid();

    std::vector<int> m_gridFill;
    bool m_measured = false; // measure() has run
    bool m_unmoved = false;  // asleep and not moved since it last ran
};
