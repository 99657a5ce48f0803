#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "physics/BroadPhase.h"
#include "physics/CollisionShape.h"
#include "physics/Contact.h"
#include "physics/ContactMemory.h"
#include "physics/ContactSolver.h"
#include "physics/Islands.h"
#include "physics/ParticleSystem.h"

class TaskPool;

// The collision world: keeps the bodies of a scene out of one another and
// above a floor, after they have stepped. It holds what it knows of each
// body, the body's CollisionShape; the bodies know nothing of it. A tick
// goes: addBodies, each body's advance, step. Its step runs the stages in
// order: the broad phase pairs bodies whose boxes meet (BroadPhase), the
// narrow phase finds where they touch (NarrowPhase), the contact solver
// moves and turns them as wholes until they no longer overlap and takes out
// the speeds going into the contacts (ContactSolver), starting from last
// tick's impulses (ContactMemory); bodies found inside one another from
// before are parted at a bounded speed (soft ones then lose their speed
// towards each other), and a body that stays still sleeps
// until something disturbs it, unless the bodies it touches (its Islands)
// hold one still coming apart. The work is split the same way whatever the
// number of threads, so the result is the same to the bit.
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
        // Letters kept in shape take position passes up to this many (their
        // pairs, which a pass moves only half the way out, and their
        // contacts with the floor and the sides): a pile of them building
        // stays out of one another as closely as Box2D keeps its bodies,
        // and a shoved pile rests sooner.
        int keptPositionIterations = 16;
        int velocityIterations = 12;
        // A body that stays within this many pixels of where it came to
        // rest for sleepTicks ticks sleeps: half a pixel, less than a
        // letter's edge shows, so a letter rocking that little in its
        // pile, as contacts catch and slip, rests all the same. One
        // parted from sleepers it lies in is held to recoveryStep instead.
        double sleepMotion = 0.5;
        int sleepTicks = 30;
        // Slower impacts on the floor stop rather than bounce.
        double bounceSpeed = 40.0;
        // Bodies inside one another before this tick (made so, or pressed
        // in) come apart by at most this much a tick, however many others
        // they lie in: a crowd spreads out instead of bursting.
        double recoveryStep = 1.5;
        // Where the boxes of letters pile up more than this many deep
        // (letters made at one point), they are a crowd: instead of every
        // two of them meeting, which grows with the square of their number,
        // each moves away from the middle of the crowd around it by
        // recoveryStep a tick. Where they lie half as deep, pairs found
        // inside one another part as wholes at once, as a crowd's do: its
        // letters come out of it into that. A settled pile lies shallower.
        double crowdDepth = 16.0;
    };

    using Bodies = std::vector<std::unique_ptr<ParticleSystem>>;
    using CornerLists = std::vector<std::unique_ptr<std::vector<Particle*>>>;
    using Shapes = std::vector<std::unique_ptr<CollisionShape>>;

    Collisions();
    explicit Collisions(const Settings& settings);

    // The world keeps a shape for each body with particles that has taken
    // part, made from the body's triangle corners (`corners[i]` are those
    // of `bodies[i]`) when it first does, and lists the bodies in their
    // order for advance and broken. Called alone, before the bodies
    // advance (which may run on several threads); shapes of bodies no
    // longer listed go.
    void addBodies(std::span<const std::unique_ptr<ParticleSystem>> bodies,
                   std::span<const std::unique_ptr<std::vector<Particle*>>> corners);
    // One body's shape, made now if it has none.
    CollisionShape& addBody(const ParticleSystem& body, const std::vector<Particle*>& corners);
    // Null for a body the world has no shape of.
    CollisionShape* shapeOf(const ParticleSystem& body);
    const CollisionShape* shapeOf(const ParticleSystem& body) const;

    // A colliding body's own step by dt (0 while the scene is paused),
    // before the step of them all: where it starts is remembered, a sleeper
    // stays put unless `pushed`, and a body that does not rest on the floor
    // as a whole bounces on it by its own rule. `i`: the body's place in
    // the list addBodies was given. Bodies may advance at once, each on a
    // thread of its own.
    void advance(std::size_t i, const CollisionBox& window, double dt, bool pushed);
    // Whether the positions of the body at place i (in the list addBodies
    // or step was given last) are no longer finite: it must go.
    bool broken(std::size_t i) const;

    // One tick of collisions, after every body's own step (advance). Particles
    // end at or above the floor, `window.bottom` (resting ones a hair below
    // it at most; no body lies wholly half a pixel below); bodies inside one
    // another are not pushed apart through the window's other sides, nor is
    // a body that has joined others carried across a side by its contacts,
    // nor does one end wholly across a side. A body whose positions are no
    // longer finite is left out and marked (broken).
    // Sleepers wake when the floor moves. `dt`: the time the bodies' own
    // steps took, which the contacts' change of their speeds moves them for.
    void step(const Bodies& bodies, const CollisionBox& window, double dt, TaskPool* pool);

    // The body is going: the sleepers its box meets wake, for it may have
    // held them up, and its shape goes with it.
    void remove(const ParticleSystem& body);
    // Every body is going.
    void clear();
    // Whatever slept did so under other rules: all wake.
    void wakeAll();

    // What a step carries over to the next besides the bodies' shapes:
    // last tick's contacts, the floor the sleepers rest on and the last
    // body id given. Saved with a scene and put back from it.
    const ContactMemory& memory() const { return m_memory; }
    double floor() const { return m_floor; }
    unsigned lastId() const { return m_lastId; }
    // Puts all that back, with the shapes of `bodies` (null for a body
    // without one) in place of those the world held.
    void restore(ContactMemory memory, double floor, unsigned lastId, const Bodies& bodies, Shapes shapes);

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

    // The stages of a step, in order.
    void gather(const Bodies& bodies);
    void wakeIfFloorMoved(double floor);
    void measure(TaskPool* pool);
    void findPairs();
    void measureOutlines(TaskPool* pool);
    void collide(TaskPool* pool);
    void wakeStruck();
    void touchFloor(const Bodies& bodies, const CollisionBox& window, TaskPool* pool);
    void prepare(TaskPool* pool);
    void colour();
    void recover(const CollisionBox& window);
    void solve(TaskPool* pool, double dt);
    void stopClosing();
    void remember();
    void move(const CollisionBox& window, TaskPool* pool);
    void sleep();

    template <class Part>
    void eachRun(TaskPool* pool, int runs, Part&& part);
    template <class F>
    void eachBody(TaskPool* pool, F&& f);
    std::vector<Contact>& contactsOf(const Pair& pair);
    CollisionShape* makeShape(const ParticleSystem& body, const std::vector<Particle*>& corners);
    void dropUnlisted(std::span<const std::unique_ptr<ParticleSystem>> bodies, std::size_t listedShapes);

    Settings m_settings;
    std::unordered_map<const ParticleSystem*, std::unique_ptr<CollisionShape>> m_shapeOf;
    // The bodies last listed, in order, and their shapes (null for a body
    // without one): a tick finds each body's shape by its place, and looks
    // it up only for a body that has moved in the list. Emptied when a
    // shape goes or one is made outside a listing.
    struct Listed {
        ParticleSystem* body;
        CollisionShape* shape;
    };
    std::vector<Listed> m_listed;
    BroadPhase m_broad;
    std::vector<CollisionShape*> m_shapes; // this step's, by body; null for bodies without one
    std::vector<CollisionBox> m_boxes;
    std::vector<unsigned char> m_active;
    std::vector<unsigned char> m_newborn; // by body: first measured this tick
    std::vector<unsigned char> m_meeting; // by body: in some pair this tick (last tick, until pairs are found)
    std::vector<Pair> m_pairs;
    std::vector<int> m_pairStarts; // by body: where its pairs as the first go
    std::vector<std::vector<Contact>> m_runContacts;
    std::vector<std::uint64_t> m_usedColours;
    std::vector<int> m_colourStarts;
    std::vector<int> m_colourNext;
    std::vector<int> m_byColour; // pair indices, colour by colour
    ContactMemory m_memory;
    ContactSolver m_solver;
    std::vector<int> m_overlappedNow; // pair indices, this tick
    std::vector<double> m_recoveryX;  // by body
    std::vector<double> m_recoveryY;
    Islands m_islands;
    std::vector<unsigned char> m_parting;  // by body: how it lies in others
    std::vector<unsigned char> m_restless; // by the body that names an island: holds a parting one
    double m_floor = HUGE_VAL;
    unsigned m_lastId = 0;
};
