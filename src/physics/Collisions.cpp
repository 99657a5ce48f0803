#include "physics/Collisions.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "physics/ContactSolver.h"
#include "physics/NarrowPhase.h"
#include "platform/TaskPool.h"

namespace {

constexpr int kPairsPerRun = 16;
constexpr int kBodiesPerRun = 64;
constexpr int kNoColour = 64; // pairs past 64 colours are solved on their own
// How a body lies in others this tick, a bit each.
constexpr unsigned char kInASleeper = 1;
constexpr unsigned char kInAnAwakeOne = 2;
constexpr unsigned char kMostlyIn = 4;

struct Direction {
    double x;
    double y;
};

// The unit vector along (dx, dy), or, where that has no length, one of
// the two ids' own.
Direction away(double dx, double dy, unsigned one, unsigned two)
{
    const double length = std::hypot(dx, dy);
    if (length > 1e-9)
        return {dx / length, dy / length};
    const std::uint64_t h = ((std::uint64_t{one} << 32 | two) + 1) * 0x9E3779B97F4A7C15ull;
    const double angle = static_cast<double>(h >> 11) * 0x1.0p-53 * 6.283185307179586;
    return {std::cos(angle), std::sin(angle)};
}

// Whether the middles of two boxes lie within a quarter of the smaller's
// width and height of each other: then they share more than half of it.
bool deeplyInside(const CollisionBox& one, const CollisionBox& two)
{
    const double width = std::min(one.right - one.left, two.right - two.left);
    const double height = std::min(one.bottom - one.top, two.bottom - two.top);
    return std::abs(one.left + one.right - two.left - two.right) < 0.5 * width &&
           std::abs(one.top + one.bottom - two.top - two.bottom) < 0.5 * height;
}

// The way two bodies inside one another part: the first along the line
// from the second's centre to its own. Bodies whose centres coincide part
// in a direction of their own.
Direction parting(const CollisionShape& one, const CollisionShape& two)
{
    return away(one.rigid.centreX - two.rigid.centreX, one.rigid.centreY - two.rigid.centreY, one.id, two.id);
}

// A body whose every point ends more than half a pixel below the floor,
// or beyond a side that holds it, though some point started the tick short
// of that, comes back until its nearest point lies on the floor or half a
// pixel inside the side. A soft letter crushed flat by the weight on it can
// end there, and would leave the window. Resting points the solver leaves a
// hair below the floor stay where they are, and a body the window's resize
// left beyond its new edges goes by the rules it always did.
void holdInside(const std::vector<Particle*>& particles, const ShapeTick& tick, const CollisionBox& window, bool sides)
{
    if (particles.empty())
        return;
    const double floor = window.bottom + 0.5;
    double left = HUGE_VAL, right = -HUGE_VAL, top = HUGE_VAL;
    for (const Particle* p : particles) {
        left = std::min(left, p->position.x);
        right = std::max(right, p->position.x);
        top = std::min(top, p->position.y);
    }
    const bool pastLeft = sides && right < window.left;
    const bool pastRight = sides && left >= window.right;
    const bool sunk = top > floor;
    if (!pastLeft && !pastRight && !sunk)
        return;
    const auto [startLeft, startRight] = std::minmax_element(tick.startX.begin(), tick.startX.end());
    const double startTop = *std::min_element(tick.startY.begin(), tick.startY.end());
    double dx = 0.0;
    if (pastLeft && *startRight >= window.left)
        dx = window.left + 0.5 - right;
    else if (pastRight && *startLeft < window.right)
        dx = window.right - 0.5 - left;
    const double dy = sunk && startTop <= floor ? window.bottom - top : 0.0;
    if (dx == 0.0 && dy == 0.0)
        return;
    for (Particle* p : particles)
        p->position = p->position + Vector3{dx, dy, 0.0};
}

} // namespace

Collisions::Collisions() : Collisions(Settings{}) {}

Collisions::Collisions(const Settings& settings) : m_settings(settings) {}

CollisionShape& Collisions::addBody(const ParticleSystem& body, const std::vector<Particle*>& corners)
{
    // The list may hold the body without a shape.
    m_listed.clear();
    return *makeShape(body, corners);
}

CollisionShape* Collisions::makeShape(const ParticleSystem& body, const std::vector<Particle*>& corners)
{
    std::unique_ptr<CollisionShape>& shape = m_shapeOf[&body];
    if (!shape)
        shape = std::make_unique<CollisionShape>(body, corners);
    return shape.get();
}

void Collisions::addBodies(std::span<const std::unique_ptr<ParticleSystem>> bodies,
                           std::span<const std::unique_ptr<std::vector<Particle*>>> corners)
{
    m_listed.resize(bodies.size(), Listed{nullptr, nullptr});
    std::size_t withShape = 0;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        ParticleSystem* body = bodies[i].get();
        Listed& entry = m_listed[i];
        if (entry.body != body)
            entry = {body, shapeOf(*body)};
        if (!entry.shape && !corners.empty() && body->particleCount() > 0)
            entry.shape = makeShape(*body, *corners[i]);
        withShape += entry.shape != nullptr;
    }
    dropUnlisted(bodies, withShape);
}

// A shape is only ever dropped with its body (remove, clear, restore);
// one left behind, whose body has gone unannounced, goes here, before a
// new body made at the same address could take it for its own.
void Collisions::dropUnlisted(std::span<const std::unique_ptr<ParticleSystem>> bodies, std::size_t listedShapes)
{
    if (m_shapeOf.size() <= listedShapes)
        return;
    std::vector<const ParticleSystem*> listed;
    listed.reserve(bodies.size());
    for (const auto& body : bodies)
        listed.push_back(body.get());
    std::sort(listed.begin(), listed.end(), std::less<>());
    std::erase_if(m_shapeOf, [&listed](const auto& entry) {
        return !std::binary_search(listed.begin(), listed.end(), entry.first, std::less<>());
    });
}

CollisionShape* Collisions::shapeOf(const ParticleSystem& body)
{
    const auto at = m_shapeOf.find(&body);
    return at != m_shapeOf.end() ? at->second.get() : nullptr;
}

const CollisionShape* Collisions::shapeOf(const ParticleSystem& body) const
{
    const auto at = m_shapeOf.find(&body);
    return at != m_shapeOf.end() ? at->second.get() : nullptr;
}

void Collisions::advance(std::size_t i, const CollisionBox& window, double dt, bool pushed)
{
    CollisionShape* shape = m_listed[i].shape;
    if (!shape)
        return;
    // A pushed sleeper wakes first, so that it measures where the push
    // takes it this tick, not where it slept.
    if (pushed)
        shape->rigid.wake();
    shape->rememberStart();
    if (!(dt > 0.0) || shape->rigid.asleep)
        return;
    ParticleSystem& body = *m_listed[i].body;
    body.step(dt);
    if (!body.floorHoldsBody)
        body.bounceFloor(window.left, window.top, window.right, window.bottom);
}

bool Collisions::broken(std::size_t i) const
{
    return i < m_listed.size() && m_listed[i].shape && !m_listed[i].shape->tick.finite;
}

void Collisions::remove(const ParticleSystem& body)
{
    const auto at = m_shapeOf.find(&body);
    if (at == m_shapeOf.end())
        return;
    // Those resting on it lie up to the skin away.
    const CollisionBox& b = at->second->tick.box;
    const CollisionBox box{b.left - kContactSkin, b.top - kContactSkin, b.right + kContactSkin, b.bottom + kContactSkin};
    m_shapeOf.erase(at);
    m_listed.clear();
    for (auto& [other, shape] : m_shapeOf)
        if (shape->rigid.asleep && shape->tick.box.overlaps(box))
            shape->rigid.wake();
}

void Collisions::clear()
{
    m_shapeOf.clear();
    m_listed.clear();
}

void Collisions::wakeAll()
{
    for (auto& [body, shape] : m_shapeOf)
        shape->rigid.wake();
}

void Collisions::restore(ContactMemory memory, double floor, unsigned lastId, const Bodies& bodies, Shapes shapes)
{
    m_memory = std::move(memory);
    m_floor = floor;
    m_lastId = lastId;
    m_shapeOf.clear();
    m_listed.clear();
    for (std::size_t i = 0; i < bodies.size() && i < shapes.size(); ++i)
        if (shapes[i])
            m_shapeOf[bodies[i].get()] = std::move(shapes[i]);
}

void Collisions::step(const Bodies& bodies, const CollisionBox& window, double dt, TaskPool* pool)
{
    gather(bodies);
    wakeIfFloorMoved(window.bottom);
    measure(pool);
    findPairs();
    measureOutlines(pool);
    collide(pool);
    wakeStruck();
    touchFloor(bodies, window, pool);
    prepare(pool);
    colour();
    recover(window);
    solve(pool, dt);
    stopClosing();
    remember();
    move(window, pool);
    sleep();
}

template <class Part>
void Collisions::eachRun(TaskPool* pool, int runs, Part&& part)
{
    if (pool)
        pool->run(runs, part);
    else
        for (int i = 0; i < runs; ++i)
            part(i);
}

template <class F>
void Collisions::eachBody(TaskPool* pool, F&& f)
{
    const int n = static_cast<int>(m_shapes.size());
    eachRun(pool, (n + kBodiesPerRun - 1) / kBodiesPerRun, [&](int r) {
        const int end = std::min(n, (r + 1) * kBodiesPerRun);
        for (int i = r * kBodiesPerRun; i < end; ++i)
            if (CollisionShape* s = m_shapes[static_cast<std::size_t>(i)]; s && s->tick.finite)
                f(i, *s);
    });
}

// The shapes of the bodies with particles, numbered in the order they
// first collide, which is the scene's order. The bodies are listed again
// (a walk that finds each in its place when addBodies listed them this
// tick), without corners: no shape is made here.
void Collisions::gather(const Bodies& bodies)
{
    const std::size_t n = bodies.size();
    m_shapes.resize(n);
    m_boxes.resize(n);
    m_active.resize(n);
    m_newborn.assign(n, 0);
    addBodies(bodies, {});
    for (std::size_t i = 0; i < n; ++i) {
        CollisionShape* s = m_listed[i].shape;
        m_shapes[i] = s && !s->geometry.particles.empty() ? s : nullptr;
        if (s && s->id == 0)
            s->id = ++m_lastId;
    }
}

// A floor that moved (the window was resized) no longer holds what slept
// on it.
void Collisions::wakeIfFloorMoved(double floor)
{
    if (floor == m_floor)
        return;
    for (CollisionShape* s : m_shapes)
        if (s)
            s->rigid.wake();
    m_floor = floor;
}

// Where every body stands now and how it moved this tick. A body that met
// another last tick most likely meets one again: its outline is measured
// in the same pass, while its particles are in the cache, and the pool's
// threads, slow to wake, need not be woken again for it.
void Collisions::measure(TaskPool* pool)
{
    const int n = static_cast<int>(m_shapes.size());
    const int met = static_cast<int>(m_meeting.size());
    eachRun(pool, (n + kBodiesPerRun - 1) / kBodiesPerRun, [&](int r) {
        const int end = std::min(n, (r + 1) * kBodiesPerRun);
        for (int i = r * kBodiesPerRun; i < end; ++i)
            if (CollisionShape* s = m_shapes[static_cast<std::size_t>(i)]) {
                m_newborn[static_cast<std::size_t>(i)] = !s->tick.measured();
                if (s->measureBody() && i < met && m_meeting[static_cast<std::size_t>(i)])
                    s->tick.measureOutline(s->geometry);
            }
    });
    for (std::size_t i = 0; i < m_shapes.size(); ++i) {
        const CollisionShape* s = m_shapes[i];
        const bool usable = s && s->tick.finite;
        m_boxes[i] = usable ? s->tick.swept : CollisionBox{};
        m_active[i] = usable && !s->rigid.asleep;
    }
}

// The broad phase: pairs of bodies whose boxes meet, one of them awake.
void Collisions::findPairs()
{
    const std::vector<BroadPhase::Pair>& found = m_broad.find(m_boxes, m_active, m_settings.crowdDepth);
    // Pairs in the order of their bodies, which is the order their shapes
    // lie in memory: the narrow phase and the solver then find a body's
    // data still in the cache for its next pair. A counting sort by the
    // first body, then each body's few pairs by the second: a sort of the
    // whole list guessed most of its comparisons wrong.
    m_pairStarts.assign(m_shapes.size() + 1, 0);
    for (const BroadPhase::Pair& f : found)
        ++m_pairStarts[static_cast<std::size_t>(f.first) + 1];
    for (std::size_t i = 0; i < m_shapes.size(); ++i)
        m_pairStarts[i + 1] += m_pairStarts[i];
    m_pairs.resize(found.size());
    for (const BroadPhase::Pair& f : found)
        m_pairs[static_cast<std::size_t>(m_pairStarts[static_cast<std::size_t>(f.first)]++)] =
            Pair{f.first, f.second, 0, 0, kNoColour, false, false};
    // Each start has moved on to the next body's: body i's pairs end there.
    std::size_t begin = 0;
    for (std::size_t i = 0; i < m_shapes.size(); ++i) {
        const std::size_t end = static_cast<std::size_t>(m_pairStarts[i]);
        for (std::size_t k = begin + 1; k < end; ++k)
            for (std::size_t j = k; j > begin && m_pairs[j - 1].second > m_pairs[j].second; --j)
                std::swap(m_pairs[j - 1], m_pairs[j]);
        begin = end;
    }
}

// The outlines of the bodies the narrow phase will meet.
void Collisions::measureOutlines(TaskPool* pool)
{
    m_meeting.assign(m_shapes.size(), 0);
    for (const Pair& pair : m_pairs) {
        m_meeting[static_cast<std::size_t>(pair.first)] = 1;
        m_meeting[static_cast<std::size_t>(pair.second)] = 1;
    }
    eachBody(pool, [this](int i, CollisionShape& s) {
        if (m_meeting[static_cast<std::size_t>(i)])
            s.tick.measureOutline(s.geometry);
    });
}

// The narrow phase, a fixed number of pairs at a time, each run into a
// list of its own.
void Collisions::collide(TaskPool* pool)
{
    const int runs = (static_cast<int>(m_pairs.size()) + kPairsPerRun - 1) / kPairsPerRun;
    if (static_cast<int>(m_runContacts.size()) < runs)
        m_runContacts.resize(static_cast<std::size_t>(runs));
    for (std::size_t r = static_cast<std::size_t>(runs); r < m_runContacts.size(); ++r)
        m_runContacts[r].clear();
    const std::vector<BroadPhase::Crowding>& crowding = m_broad.crowding();
    eachRun(pool, runs, [this, &crowding](int run) {
        std::vector<Contact>& out = m_runContacts[static_cast<std::size_t>(run)];
        out.clear();
        const int end = std::min(static_cast<int>(m_pairs.size()), (run + 1) * kPairsPerRun);
        for (int k = run * kPairsPerRun; k < end; ++k) {
            Pair& pair = m_pairs[static_cast<std::size_t>(k)];
            const CollisionShape& first = *m_shapes[static_cast<std::size_t>(pair.first)];
            const CollisionShape& second = *m_shapes[static_cast<std::size_t>(pair.second)];
            pair.begin = static_cast<int>(out.size());
            // A body new to the world that lies in another was made there,
            // and one in a crowd was pressed in: however shallow its points,
            // the pair parts as a whole. Letters made in a crowd then cost a
            // pair one point found inside.
            const auto madeOrPressedIn = [&](int i) {
                return m_newborn[static_cast<std::size_t>(i)] || crowding[static_cast<std::size_t>(i)].pressed;
            };
            const bool wasOverlapped = m_memory.wasOverlapped(first.id, second.id);
            const bool inside = madeOrPressedIn(pair.first) || madeOrPressedIn(pair.second) || wasOverlapped;
            const Meeting met = meetBodies(first, second, inside, m_memory.recalled(first.id, second.id), out);
            pair.end = static_cast<int>(out.size());
            pair.overlapped = met.overlapped;
            // A sleeper wakes when a body is first found in it, to make room;
            // not again for the same body, which parts from it alone: woken
            // each time it fell asleep, out of step with the other, a pile of
            // soft letters kept itself awake for ever.
            pair.wake = met.wake || (met.overlapped && !wasOverlapped && first.rigid.asleep != second.rigid.asleep);
        }
    });
}

// Sleepers struck hard enough wake; the others stand firm this tick.
// Bodies in a crowd do not settle until it has spread; bodies inside one
// another part, and settle only where they cannot (wedged in a pile), as
// any other that stays still, unless they lie mostly in one another (see
// sleep). Bodies that touch or lie in one another have joined the others
// for good.
void Collisions::wakeStruck()
{
    m_overlappedNow.clear();
    m_parting.assign(m_shapes.size(), 0);
    const std::vector<BroadPhase::Crowding>& crowding = m_broad.crowding();
    for (std::size_t i = 0; i < crowding.size(); ++i)
        if (crowding[i].crowded) {
            m_shapes[i]->joined = true;
            m_shapes[i]->rigid.quietTicks = 0;
        }
    for (int k = 0; k < static_cast<int>(m_pairs.size()); ++k) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        if (pair.end > pair.begin || pair.overlapped) {
            one.joined = true;
            two.joined = true;
        }
        if (pair.wake) {
            one.rigid.wake();
            two.rigid.wake();
        }
        if (pair.overlapped) {
            m_overlappedNow.push_back(k);
            // Bodies lying mostly in one another are still coming apart;
            // one lying only in sleepers may be wedged there (see move).
            const std::size_t a = static_cast<std::size_t>(pair.first), b = static_cast<std::size_t>(pair.second);
            const unsigned char mostly = deeplyInside(m_boxes[a], m_boxes[b]) ? kMostlyIn : 0;
            m_parting[a] |= mostly | (two.rigid.asleep ? kInASleeper : kInAnAwakeOne);
            m_parting[b] |= mostly | (one.rigid.asleep ? kInASleeper : kInAnAwakeOne);
        }
    }
}

// The bodies as the solver sees them (a sleeper does not give way), and
// their contacts with the floor, from last tick's impulses. The window's
// sides hold the bodies that have joined others in as well, or a crowd
// would push its outer letters out of the window; one flying free still
// leaves by a side. A side takes a body across it back in by a bounded
// step a tick, so that a letter made across it comes in gently. The top
// stops such a body flying up (knocked by a spinning neighbour, a pile
// shoved against a side) but does not push it down: a pile grown to the
// top still spills over it.
void Collisions::touchFloor(const Bodies& bodies, const CollisionBox& window, TaskPool* pool)
{
    const double floor = window.bottom;
    const double step = m_settings.recoveryStep;
    eachBody(pool, [&](int i, CollisionShape& s) {
        const ParticleSystem& body = *bodies[static_cast<std::size_t>(i)];
        RigidBody& rigid = s.rigid;
        rigid.inverseMass = rigid.asleep || !(rigid.mass > 0.0) ? 0.0 : 1.0 / rigid.mass;
        rigid.inverseInertia = rigid.asleep || !s.geometry.turns || !(rigid.inertia > 0.0) ? 0.0 : 1.0 / rigid.inertia;
        // The box measured where the particles still stand: most bodies
        // reach neither the floor nor a side.
        const CollisionBox& box = s.tick.box;
        const bool onFloor = !rigid.asleep && box.bottom >= floor;
        // Last tick's floor impulses, by particle, then this tick's contacts.
        if (onFloor) {
            rigid.floorImpulses.assign(s.geometry.particles.size(), RigidBody::Impulse{});
            for (const Contact& c : rigid.floorContacts)
                rigid.floorImpulses[static_cast<std::size_t>(c.point)] = {c.normalImpulse, c.tangentImpulse};
        }
        rigid.floorContacts.clear();
        for (std::size_t p = 0; onFloor && p < s.geometry.particles.size(); ++p) {
            if (s.geometry.particles[p]->position.y < floor)
                continue;
            Contact c = floorContact(s, p, floor);
            prepareContact(c, ContactBody{c.one, &rigid}, ContactBody{c.two, nullptr});
            c.normalImpulse = std::min(rigid.floorImpulses[p].normal, kContactMostSpeed * c.normalMass);
            c.tangentImpulse = std::clamp(rigid.floorImpulses[p].tangent, -c.normalImpulse, c.normalImpulse);
            // Hard landings bounce by the body's restitution, unless the
            // floor holds the body as a whole.
            const double fall = c.one.vy;
            c.bounce = fall > m_settings.bounceSpeed && !body.floorHoldsBody ? body.restitution * fall : 0.0;
            rigid.floorContacts.push_back(c);
        }
        const bool within = box.left >= window.left && box.right <= window.right && box.top >= window.top;
        if (rigid.asleep || !s.joined || within)
            return;
        for (std::size_t p = 0; p < s.geometry.particles.size(); ++p) {
            Particle& particle = *s.geometry.particles[p];
            const double x = particle.position.x;
            const bool left = x < window.left, right = x > window.right;
            if (particle.position.y < window.top) {
                Contact c = ceilingContact(s, p);
                prepareContact(c, ContactBody{c.one, &rigid}, ContactBody{c.two, nullptr});
                rigid.floorContacts.push_back(c);
            }
            if (!left && !right)
                continue;
            // A soft letter's contacts move it as a whole while its parts
            // crumple on: a part beyond a side also stops going out.
            if (!s.geometry.turns)
                particle.velocity.x = left ? std::max(particle.velocity.x, 0.0) : std::min(particle.velocity.x, 0.0);
            Contact c = left ? sideContact(s, p, std::min(window.left, x + step), 1.0)
                             : sideContact(s, p, std::max(window.right, x - step), -1.0);
            prepareContact(c, ContactBody{c.one, &rigid}, ContactBody{c.two, nullptr});
            const double hit = left ? -c.one.vx : c.one.vx;
            c.bounce = hit > m_settings.bounceSpeed && !body.floorHoldsBody ? body.restitution * hit : 0.0;
            rigid.floorContacts.push_back(c);
        }
    });
}

// Each contact's masses and last tick's impulses. Letters wedged into
// each other turn freely, which is how they work apart.
void Collisions::prepare(TaskPool* pool)
{
    const int runs = (static_cast<int>(m_pairs.size()) + kPairsPerRun - 1) / kPairsPerRun;
    eachRun(pool, runs, [this](int r) {
        const int end = std::min(static_cast<int>(m_pairs.size()), (r + 1) * kPairsPerRun);
        for (int k = r * kPairsPerRun; k < end; ++k) {
            const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
            std::vector<Contact>& list = contactsOf(pair);
            CollisionShape* first = m_shapes[static_cast<std::size_t>(pair.first)];
            CollisionShape* second = m_shapes[static_cast<std::size_t>(pair.second)];
            double deepest = 0.0;
            for (int c = pair.begin; c < pair.end; ++c) {
                Contact& contact = list[static_cast<std::size_t>(c)];
                const ContactBody one{contact.one, &first->rigid}, two{contact.two, &second->rigid};
                prepareContact(contact, one, two);
                m_memory.recall(contact, first->id, second->id);
                const double depth = two.along(contact.nx, contact.ny) - one.along(contact.nx, contact.ny);
                deepest = std::max(deepest, depth);
            }
            if (deepest > kContactWedged)
                for (int c = pair.begin; c < pair.end; ++c)
                    list[static_cast<std::size_t>(c)].reach = 0.0;
        }
    });
}

void Collisions::colour()
{
    // Greedy colouring: no body twice in one colour, so the pairs of one
    // colour can be solved at once and in any order.
    m_usedColours.assign(m_shapes.size(), 0);
    m_colourStarts.assign(kNoColour + 2, 0);
    for (Pair& pair : m_pairs) {
        pair.colour = kNoColour + 1; // nothing to solve
        const CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        const CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        if (pair.begin == pair.end || (one.rigid.asleep && two.rigid.asleep))
            continue;
        std::uint64_t& a = m_usedColours[static_cast<std::size_t>(pair.first)];
        std::uint64_t& b = m_usedColours[static_cast<std::size_t>(pair.second)];
        const std::uint64_t free = ~(a | b);
        if (free == 0) {
            pair.colour = kNoColour;
        } else {
            const int c = __builtin_ctzll(free);
            pair.colour = c;
            a |= std::uint64_t{1} << c;
            b |= std::uint64_t{1} << c;
        }
        ++m_colourStarts[static_cast<std::size_t>(pair.colour) + 1];
    }
    for (int c = 0; c <= kNoColour; ++c)
        m_colourStarts[static_cast<std::size_t>(c) + 1] += m_colourStarts[static_cast<std::size_t>(c)];
    m_byColour.resize(static_cast<std::size_t>(m_colourStarts[kNoColour + 1]));
    m_colourNext.assign(m_colourStarts.begin(), m_colourStarts.end());
    for (int k = 0; k < static_cast<int>(m_pairs.size()); ++k) {
        const int c = m_pairs[static_cast<std::size_t>(k)].colour;
        if (c <= kNoColour)
            m_byColour[static_cast<std::size_t>(m_colourNext[static_cast<std::size_t>(c)]++)] = k;
    }
}

void Collisions::recover(const CollisionBox& window)
{
    // Bodies that were inside one another already come apart along the
    // line between their centres, as wholes and by their masses. A body
    // inside many takes the sum of what each pair asks, cut to one step: a
    // crowd made at one point spreads out at a bounded speed, and a body
    // in a crowd moves away from the middle of the crowd around it.
    const std::vector<BroadPhase::Crowding>& crowding = m_broad.crowding();
    const bool crowded = std::any_of(crowding.begin(), crowding.end(), [](const auto& c) { return c.crowded; });
    if (m_overlappedNow.empty() && !crowded)
        return;
    const double step = m_settings.recoveryStep;
    m_recoveryX.assign(m_shapes.size(), 0.0);
    m_recoveryY.assign(m_shapes.size(), 0.0);
    for (std::size_t i = 0; i < crowding.size(); ++i)
        if (const CollisionShape* s = m_shapes[i]; crowding[i].crowded && s->rigid.inverseMass > 0.0) {
            const CollisionBox& b = m_boxes[i];
            const auto [dx, dy] =
                away(0.5 * (b.left + b.right) - crowding[i].x, 0.5 * (b.top + b.bottom) - crowding[i].y, s->id, 0);
            m_recoveryX[i] += dx * step;
            m_recoveryY[i] += dy * step;
        }
    for (int k : m_overlappedNow) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        const CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        const CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        const double total = one.rigid.inverseMass + two.rigid.inverseMass;
        if (!(total > 0.0))
            continue;
        const auto [dx, dy] = parting(one, two);
        const double share = step / total;
        m_recoveryX[static_cast<std::size_t>(pair.first)] += dx * share * one.rigid.inverseMass;
        m_recoveryY[static_cast<std::size_t>(pair.first)] += dy * share * one.rigid.inverseMass;
        m_recoveryX[static_cast<std::size_t>(pair.second)] -= dx * share * two.rigid.inverseMass;
        m_recoveryY[static_cast<std::size_t>(pair.second)] -= dy * share * two.rigid.inverseMass;
    }
    for (std::size_t i = 0; i < m_shapes.size(); ++i) {
        CollisionShape* s = m_shapes[i];
        double x = m_recoveryX[i], y = m_recoveryY[i];
        if (!s || (x == 0.0 && y == 0.0))
            continue;
        const double length = std::hypot(x, y);
        if (length > step) {
            x *= step / length;
            y *= step / length;
        }
        // Never out through a side or the top: those letters would be gone.
        x = std::max(x, std::min(0.0, window.left - s->tick.box.left));
        x = std::min(x, std::max(0.0, window.right - s->tick.box.right));
        y = std::max(y, std::min(0.0, window.top - s->tick.box.top));
        s->rigid.motion.x += x;
        s->rigid.motion.y += y;
    }
}

// The warm start, velocity passes, then position passes; each pass takes
// the floor's contacts body by body, then the pairs colour by colour.
void Collisions::solve(TaskPool* pool, double dt)
{
    m_solver.clear(m_shapes.size(), dt);
    for (std::size_t i = 0; i < m_shapes.size(); ++i)
        if (const CollisionShape* s = m_shapes[i]; s && s->tick.finite) {
            const RigidBody& r = s->rigid;
            const RigidBody::Motion& m = r.motion;
            m_solver.body(i) = {m.x, m.y, m.angle, m.vx, m.vy, m.spin, r.inverseMass, r.inverseInertia, r.meanSpin};
        }
    // Every contact in the order the passes take them, and back.
    const auto each = [this](auto&& floorContact, auto&& pairContact) {
        for (std::size_t i = 0; i < m_shapes.size(); ++i)
            if (CollisionShape* s = m_shapes[i]; s && s->tick.finite && !s->rigid.floorContacts.empty())
                floorContact(static_cast<int>(i), s->rigid.floorContacts);
        for (int c = 0; c <= kNoColour; ++c)
            pairContact(c, m_colourStarts[static_cast<std::size_t>(c)], m_colourStarts[static_cast<std::size_t>(c) + 1]);
    };
    m_solver.beginPhase();
    each(
        [this](int i, const std::vector<Contact>& contacts) {
            m_solver.beginGroup();
            for (const Contact& c : contacts)
                m_solver.add(c, i, -1, false);
        },
        [this](int colour, int begin, int end) {
            // Pairs past the last colour share bodies: one after another.
            m_solver.beginPhase(colour == kNoColour);
            for (int k = begin; k < end; ++k) {
                const Pair& pair = m_pairs[static_cast<std::size_t>(m_byColour[static_cast<std::size_t>(k)])];
                const std::vector<Contact>& list = contactsOf(pair);
                const bool kept = keptInShape(*m_shapes[static_cast<std::size_t>(pair.first)],
                                              *m_shapes[static_cast<std::size_t>(pair.second)]);
                m_solver.beginGroup();
                for (int c = pair.begin; c < pair.end; ++c)
                    m_solver.add(list[static_cast<std::size_t>(c)], pair.first, pair.second, kept);
            }
        });

    m_solver.solve(pool, m_settings.positionIterations, m_settings.keptPositionIterations,
                   m_settings.velocityIterations, m_settings.friction, m_settings.rollingResistance);

    std::size_t k = 0;
    const auto keep = [this, &k](Contact& c) {
        c.normalImpulse = m_solver.normalImpulse(k);
        c.tangentImpulse = m_solver.tangentImpulse(k);
        ++k;
    };
    each(
        [&keep](int, std::vector<Contact>& contacts) {
            for (Contact& c : contacts)
                keep(c);
        },
        [this, &keep](int, int begin, int end) {
            for (int p = begin; p < end; ++p) {
                const Pair& pair = m_pairs[static_cast<std::size_t>(m_byColour[static_cast<std::size_t>(p)])];
                std::vector<Contact>& list = contactsOf(pair);
                for (int c = pair.begin; c < pair.end; ++c)
                    keep(list[static_cast<std::size_t>(c)]);
            }
        });
    for (std::size_t i = 0; i < m_shapes.size(); ++i)
        if (CollisionShape* s = m_shapes[i]; s && s->tick.finite) {
            const ContactSolver::Body& b = m_solver.body(i);
            s->rigid.motion = {b.x, b.y, b.angle, b.vx, b.vy, b.spin};
        }
}

// Soft bodies inside one another come apart at a bounded pace, but
// nothing else stops them closing in: a letter wedged in a sleeper falls on
// into it tick after tick, as fast as it is parted, and never rests. Their
// speed towards each other along the line they part on goes, as a contact
// would take it, once the solver has moved them, so that it shows from the
// next tick, where the floor and the contacts see it (taken before, it
// pushed a flattened letter through the floor). Letters kept in shape keep
// theirs: without it, more of a swept nozzle's letters left the window.
void Collisions::stopClosing()
{
    for (int k : m_overlappedNow) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        RigidBody& a = one.rigid;
        RigidBody& b = two.rigid;
        const double total = a.inverseMass + b.inverseMass;
        if (keptInShape(one, two) || !(total > 0.0))
            continue;
        const auto [dx, dy] = parting(one, two);
        const double closing =
            (a.meanVX + a.motion.vx - b.meanVX - b.motion.vx) * dx + (a.meanVY + a.motion.vy - b.meanVY - b.motion.vy) * dy;
        if (!(closing < 0.0))
            continue;
        const double impulse = -closing / total;
        a.motion.vx += dx * impulse * a.inverseMass;
        a.motion.vy += dy * impulse * a.inverseMass;
        b.motion.vx -= dx * impulse * b.inverseMass;
        b.motion.vy -= dy * impulse * b.inverseMass;
    }
}

// This tick's impulses and overlaps, for the next tick to start from.
void Collisions::remember()
{
    m_memory.begin(m_pairs.size());
    for (const Pair& pair : m_pairs) {
        const std::vector<Contact>& list = contactsOf(pair);
        m_memory.keep(m_shapes[static_cast<std::size_t>(pair.first)]->id, m_shapes[static_cast<std::size_t>(pair.second)]->id,
                      list.data() + pair.begin, static_cast<std::size_t>(pair.end - pair.begin));
    }
    for (int k : m_overlappedNow) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        m_memory.keepOverlapped(m_shapes[static_cast<std::size_t>(pair.first)]->id,
                                m_shapes[static_cast<std::size_t>(pair.second)]->id);
    }
    m_memory.end();
}

// The bodies take what the contacts asked of them. One that stays where it
// is, give or take a jitter, for a while goes to sleep.
void Collisions::move(const CollisionBox& window, TaskPool* pool)
{
    const double still = m_settings.sleepMotion;
    const int sleepTicks = m_settings.sleepTicks;
    const double softDamping = m_settings.softDamping;
    const double parted = std::max(still, m_settings.recoveryStep);
    eachBody(pool, [this, still, parted, sleepTicks, softDamping, &window](int i, CollisionShape& s) {
        if (s.rigid.asleep)
            return;
        // The sides hold a letter that has joined others, but their
        // contacts hold only points already past them: the contacts of its
        // pairs never carry it further across. A letter crushed thin
        // against a side was pushed wholly across it in one tick, and lost.
        if (s.joined) {
            const CollisionBox& box = s.tick.box;
            RigidBody::Motion& m = s.rigid.motion;
            m.x = std::clamp(m.x, std::min(0.0, window.left - box.left), std::max(0.0, window.right - box.right));
        }
        // The sides' contacts start afresh each tick: only the floor's
        // impulses are carried over.
        std::erase_if(s.rigid.floorContacts, [](const Contact& c) { return c.edge != kFloorEdge; });
        s.rigid.applyMotion(s.geometry.particles, s.geometry.turns, softDamping);
        holdInside(s.geometry.particles, s.tick, window, s.joined);
        // A body parted from sleepers it lies in that stays within a step
        // of one place is wedged: each tick it is parted and pushed back.
        const bool wedged = m_parting[static_cast<std::size_t>(i)] == kInASleeper;
        s.rigid.settle(s.geometry.particles, wedged ? parted : still, sleepTicks);
    });
}

// A body that has stayed still long enough sleeps, unless it touches,
// directly or through other awake bodies, one still coming apart from a
// body it lies mostly in: in a blob of them their partings cancel, and
// bodies settled round them would shut them in for good.
void Collisions::sleep()
{
    const int sleepTicks = m_settings.sleepTicks;
    const auto awake = [this](int i) {
        const CollisionShape* s = m_shapes[static_cast<std::size_t>(i)];
        return s && s->tick.finite && !s->rigid.asleep;
    };
    m_islands.clear(m_shapes.size());
    m_restless.assign(m_shapes.size(), 0);
    const int n = static_cast<int>(m_shapes.size());
    // Most ticks no pair lies so deep, and every body is an island alone.
    if (std::any_of(m_parting.begin(), m_parting.end(), [](unsigned char p) { return p & kMostlyIn; })) {
        for (const Pair& pair : m_pairs)
            if ((pair.end > pair.begin || pair.overlapped) && awake(pair.first) && awake(pair.second))
                m_islands.join(pair.first, pair.second);
        for (int i = 0; i < n; ++i)
            if (m_parting[static_cast<std::size_t>(i)] & kMostlyIn)
                m_restless[static_cast<std::size_t>(m_islands.islandOf(i))] = 1;
    }
    for (int i = 0; i < n; ++i) {
        CollisionShape* s = m_shapes[static_cast<std::size_t>(i)];
        if (awake(i) && s->rigid.quietTicks >= sleepTicks && !m_restless[static_cast<std::size_t>(m_islands.islandOf(i))])
            s->rigid.sleep(s->geometry.particles);
    }
}

std::vector<Contact>& Collisions::contactsOf(const Pair& pair)
{
    return m_runContacts[static_cast<std::size_t>(&pair - m_pairs.data()) / kPairsPerRun];
}
