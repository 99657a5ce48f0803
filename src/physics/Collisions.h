#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "physics/BroadPhase.h"
#include "physics/CollisionShape.h"
#include "physics/Contact.h"
#include "physics/ParticleSystem.h"

class TaskPool;

// Keeps the bodies of a scene out of one another and above a floor, after
// they have stepped. A point of a body's outline found inside another
// body's triangles, or whose path this tick crossed that body's outline,
// makes a contact with the outline edge it came in by (the nearest one
// when it was inside already). Contacts move and turn the bodies as
// wholes, by their mass and moment of inertia, until they no longer
// overlap; then the speeds going into the contacts are taken out, with
// friction along them. A body that stays still sleeps until something
// strikes it. The work is split the same way whatever the number of
// threads, so the result is the same to the bit.
class Collisions {
public:
    struct Settings {
        double friction = 0.6;
        // A contact resists the bodies turning one on the other with up
        // to this fraction of its push times its arm: round letters roll a
        // little and stop, instead of keeping a pile astir.
        double rollingResistance = 0.35;
        // A soft letter that contacts push loses this share of its parts'
        // motion among themselves each tick: otherwise the springs of
        // letters pressed together ring on and their pile never rests.
        double softDamping = 0.05;
        int positionIterations = 12;
        int velocityIterations = 12;
        // A body that stays within this many pixels of where it came to
        // rest for sleepTicks ticks sleeps.
        double sleepMotion = 0.3;
        int sleepTicks = 30;
        // Slower impacts on the floor stop rather than bounce.
        double bounceSpeed = 40.0;
        // Bodies inside one another before this tick (made so, or pressed
        // in) come apart by at most this much a tick, however many others
        // they lie in: a crowd spreads out instead of bursting.
        double recoveryStep = 1.5;
    };

    using Bodies = std::vector<std::unique_ptr<ParticleSystem>>;

    Collisions();
    explicit Collisions(const Settings& settings);

    // The shape of a body, made on first use from its triangle corners.
    static CollisionShape& shapeOf(ParticleSystem& body, const std::vector<Particle*>& corners);

    // Separates the bodies after their step. Every body with particles has
    // its shape (shapeOf) with the start of this tick remembered. Particles
    // end at or above the floor, `window.bottom`; bodies inside one another
    // are not pushed apart through the window's other sides. A body whose
    // positions are no longer finite is left out and marked (its shape's
    // `finite` is false). Sleepers wake when the floor moves.
    void resolve(const Bodies& bodies, const CollisionBox& window, TaskPool* pool);

    // Wakes the sleeping bodies whose boxes meet `box`: the body there is
    // leaving and may have held them up.
    static void wakeAround(const Bodies& bodies, const CollisionBox& box);

    int pairs() const { return static_cast<int>(m_pairs.size()); }

private:
    struct Pair {
        int first;
        int second;
        int begin; // contacts [begin, end) in the list of its run of pairs
        int end;
        int colour;
        bool wake;
        bool overlapped; // some point of one was inside the other before this tick
    };

    void touch(int run);
    void recover(const CollisionBox& window);
    void colour(std::size_t bodies);
    template <class Solve>
    void eachColour(TaskPool* pool, Solve solve);
    std::vector<Contact>& contactsOf(const Pair& pair);

    Settings m_settings;
    BroadPhase m_broad;
    std::vector<CollisionShape*> m_shapes; // null for bodies without particles
    std::vector<CollisionBox> m_boxes;
    std::vector<unsigned char> m_active;
    std::vector<Pair> m_pairs;
    std::vector<std::vector<Contact>> m_runContacts;
    std::vector<std::uint64_t> m_usedColours;
    std::vector<int> m_colourStarts;
    std::vector<int> m_colourNext;
    std::vector<int> m_byColour; // pair indices, colour by colour

    // Last tick's impulses between bodies: for each pair of body ids, its
    // contacts' points, edges and impulses, found through a hash table. The
    // floor's are kept by each body's shape.
    struct Remembered {
        int point;
        int edge;
        double normalImpulse;
        double tangentImpulse;
    };
    struct PairSlot {
        std::uint64_t key = 0; // 0: empty
        int begin = 0;
        int end = 0;
    };
    void remember();
    void recall(Contact& contact, unsigned first, unsigned second) const;
    bool wasOverlapped(unsigned first, unsigned second) const;
    std::vector<Remembered> m_remembered;
    std::vector<PairSlot> m_rememberedPairs;
    // The pairs found inside one another last tick, by body ids, sorted.
    std::vector<std::uint64_t> m_overlapped;
    std::vector<int> m_overlappedNow; // pair indices, this tick
    std::vector<double> m_recoveryX;   // by body
    std::vector<double> m_recoveryY;
    double m_floor = HUGE_VAL;
    unsigned m_lastId = 0;
};
