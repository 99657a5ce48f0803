// Our colliding letters side by side with Box2D 2.4.1 in one process, on
// the same 2,000 Sturdy letters of the sample words falling into a pile in
// a 1024x768 window: the time of our whole tick against Box2D's Step, on
// one thread, and how deep letters lie in one another in each, measured by
// the same code. In Box2D each letter is one rigid body made of its glyph's
// triangles merged into convex pieces. Release build:
//     build-release/bin/bench_box2d [TICKS [EVERY]]
#include <box2d/box2d.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Timing.h"
#include "PileScene.h"
#include "physics/Collisions.h"
#include "physics/MOTUSforceGlobal.h"
#include "support/Overlap.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kLetters = 2000;
// Letters rest on the window's last row of pixels, as ours do.
constexpr double kFloor = kHeight - 1.0;
// Box2D is tuned for bodies of 0.1 to 10 m; a letter of the pile is about
// 15 px, so 10 px a metre makes it 1.5 m, and its contact skin and slop
// (0.01 and 0.005 m) a tenth of a pixel or less.
constexpr double kPixelsPerMetre = 10.0;
// Our tick advances the letters 0.01 s of their own time, 62.5 times a
// second; Box2D steps 1/62.5 s. Gravity, speeds and damping are given to
// Box2D in wall-clock seconds, so both move as far in a tick.
constexpr double kTimeScale = 0.01 * PileScene::kTicksPerSecond;
constexpr float kStep = static_cast<float>(1.0 / PileScene::kTicksPerSecond);
// Pieces smaller than this (m^2) are slivers Box2D cannot take.
constexpr double kLeastPieceArea = 1e-4;

struct Point {
    double x;
    double y;
};

double cross(Point o, Point a, Point b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

double area(const std::vector<Point>& poly)
{
    double twice = 0.0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point p = poly[i], q = poly[(i + 1) % poly.size()];
        twice += p.x * q.y - q.x * p.y;
    }
    return 0.5 * twice;
}

bool convex(const std::vector<int>& poly, const std::vector<Point>& at)
{
    const std::size_t n = poly.size();
    for (std::size_t i = 0; i < n; ++i)
        if (cross(at[static_cast<std::size_t>(poly[i])], at[static_cast<std::size_t>(poly[(i + 1) % n])],
                  at[static_cast<std::size_t>(poly[(i + 2) % n])]) < 0.0)
            return false;
    return true;
}

// A glyph's triangles (corner indices into `at`) merged greedily into convex
// polygons of at most b2_maxPolygonVertices corners: a piece starts from the
// first triangle left and takes in any neighbour across one of its edges
// that keeps it convex, until none does. Counter-clockwise in the sense of
// `cross`; triangles without area are left out.
std::vector<std::vector<int>> convexPieces(std::vector<std::array<int, 3>> triangles, const std::vector<Point>& at)
{
    std::vector<std::array<int, 3>> kept;
    for (std::array<int, 3> t : triangles) {
        const double turn = cross(at[static_cast<std::size_t>(t[0])], at[static_cast<std::size_t>(t[1])],
                                  at[static_cast<std::size_t>(t[2])]);
        if (turn < 0.0)
            std::swap(t[1], t[2]);
        if (turn != 0.0)
            kept.push_back(t);
    }
    std::map<std::pair<int, int>, std::vector<std::size_t>> byEdge;
    for (std::size_t i = 0; i < kept.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const int a = kept[i][static_cast<std::size_t>(k)], b = kept[i][static_cast<std::size_t>((k + 1) % 3)];
            byEdge[{std::min(a, b), std::max(a, b)}].push_back(i);
        }
    std::vector<bool> used(kept.size(), false);
    std::vector<std::vector<int>> pieces;
    for (std::size_t seed = 0; seed < kept.size(); ++seed) {
        if (used[seed])
            continue;
        used[seed] = true;
        std::vector<int> poly(kept[seed].begin(), kept[seed].end());
        for (bool grew = true; grew && poly.size() < b2_maxPolygonVertices;) {
            grew = false;
            for (std::size_t k = 0; k < poly.size() && !grew; ++k) {
                const int a = poly[k], b = poly[(k + 1) % poly.size()];
                for (std::size_t u : byEdge[{std::min(a, b), std::max(a, b)}]) {
                    if (used[u])
                        continue;
                    int w = -1;
                    for (int c : kept[u])
                        if (c != a && c != b)
                            w = c;
                    if (w < 0 || std::find(poly.begin(), poly.end(), w) != poly.end())
                        continue;
                    std::vector<int> bigger = poly;
                    bigger.insert(bigger.begin() + static_cast<long>(k) + 1, w);
                    if (!convex(bigger, at))
                        continue;
                    poly = std::move(bigger);
                    used[u] = true;
                    grew = true;
                    break;
                }
            }
        }
        pieces.push_back(std::move(poly));
    }
    return pieces;
}

// Whether Box2D takes the polygon as it is: corners apart by more than the
// distance at which it welds them, and some area.
bool box2dTakes(const std::vector<b2Vec2>& corners)
{
    for (std::size_t i = 0; i < corners.size(); ++i)
        for (std::size_t j = i + 1; j < corners.size(); ++j)
            if (b2DistanceSquared(corners[i], corners[j]) < b2_linearSlop * b2_linearSlop)
                return false;
    std::vector<Point> poly;
    for (const b2Vec2& c : corners)
        poly.push_back({c.x, c.y});
    return area(poly) > kLeastPieceArea;
}

// One letter as Box2D holds it, and where its particles lie on it: their
// offsets from the letter's centre of mass when it was made, in pixels.
struct RigidLetter {
    b2Body* body = nullptr;
    std::vector<Point> offsets;
};

struct Pieces {
    int made = 0;
    int corners = 0;
    int dropped = 0;
    double droppedArea = 0.0; // px^2
};

// The letter `system` (triangle corners `corners`) as a dynamic body of
// `world`, moving and turning as the letter does.
RigidLetter rigidLetter(b2World& world, const ParticleSystem& system, const TriangleList& corners, Pieces& pieces)
{
    std::unordered_map<const Particle*, int> index;
    double mass = 0.0, cx = 0.0, cy = 0.0, vx = 0.0, vy = 0.0;
    for (int i = 0; i < system.particleCount(); ++i) {
        const Particle& p = *system.particleAt(i);
        index[&p] = i;
        mass += p.mass;
        cx += p.mass * p.position.x;
        cy += p.mass * p.position.y;
        vx += p.mass * p.velocity.x;
        vy += p.mass * p.velocity.y;
    }
    cx /= mass;
    cy /= mass;
    vx /= mass;
    vy /= mass;
    RigidLetter letter;
    double momentum = 0.0, inertia = 0.0;
    for (int i = 0; i < system.particleCount(); ++i) {
        const Particle& p = *system.particleAt(i);
        const Point r{p.position.x - cx, p.position.y - cy};
        letter.offsets.push_back(r);
        momentum += p.mass * (r.x * (p.velocity.y - vy) - r.y * (p.velocity.x - vx));
        inertia += p.mass * (r.x * r.x + r.y * r.y);
    }
    const double spin = inertia > 0.0 ? momentum / inertia : 0.0;

    std::vector<Point> at;
    for (const Point& r : letter.offsets)
        at.push_back({r.x / kPixelsPerMetre, r.y / kPixelsPerMetre});
    std::vector<std::array<int, 3>> triangles;
    for (std::size_t t = 0; t + 3 <= corners.size(); t += 3)
        triangles.push_back({index.at(corners[t]), index.at(corners[t + 1]), index.at(corners[t + 2])});
    std::vector<std::vector<b2Vec2>> shapes;
    double kept = 0.0;
    for (const std::vector<int>& piece : convexPieces(triangles, at)) {
        std::vector<b2Vec2> c;
        std::vector<Point> poly;
        for (int i : piece) {
            c.emplace_back(static_cast<float>(at[static_cast<std::size_t>(i)].x),
                           static_cast<float>(at[static_cast<std::size_t>(i)].y));
            poly.push_back(at[static_cast<std::size_t>(i)]);
        }
        if (box2dTakes(c)) {
            shapes.push_back(std::move(c));
            kept += area(poly);
        } else {
            ++pieces.dropped;
            pieces.droppedArea += area(poly) * kPixelsPerMetre * kPixelsPerMetre;
        }
    }

    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.position.Set(static_cast<float>(cx / kPixelsPerMetre), static_cast<float>(cy / kPixelsPerMetre));
    // Our letters slow down through the air by the drag of their global
    // force, moving and turning alike.
    if (const auto* global = dynamic_cast<const MOTUSforceGlobal*>(system.forceAt(0))) {
        def.linearDamping = static_cast<float>(global->drag * kTimeScale);
        def.angularDamping = def.linearDamping;
    }
    letter.body = world.CreateBody(&def);
    for (const std::vector<b2Vec2>& c : shapes) {
        b2PolygonShape polygon;
        polygon.Set(c.data(), static_cast<int32>(c.size()));
        b2FixtureDef fixture;
        fixture.shape = &polygon;
        fixture.density = static_cast<float>(mass / kept);
        fixture.friction = 0.6f;
        fixture.restitution = 0.0f;
        letter.body->CreateFixture(&fixture);
        ++pieces.made;
        pieces.corners += static_cast<int>(c.size());
    }
    // Box2D's centre of mass is the pieces' centroid, a little off the
    // particles' one: its speed there is the letter's plus the turning's.
    const b2Vec2 arm = letter.body->GetLocalCenter();
    const double w = spin * kTimeScale;
    letter.body->SetLinearVelocity(b2Vec2(static_cast<float>(vx * kTimeScale / kPixelsPerMetre - w * arm.y),
                                          static_cast<float>(vy * kTimeScale / kPixelsPerMetre + w * arm.x)));
    letter.body->SetAngularVelocity(static_cast<float>(w));
    return letter;
}

// Puts the particles of `copy` where the rigid letter holds them.
void place(const RigidLetter& letter, ParticleSystem& copy)
{
    const b2Transform& xf = letter.body->GetTransform();
    const double c = xf.q.c, s = xf.q.s;
    const double x = xf.p.x * kPixelsPerMetre, y = xf.p.y * kPixelsPerMetre;
    for (int i = 0; i < copy.particleCount(); ++i) {
        const Point r = letter.offsets[static_cast<std::size_t>(i)];
        copy.particleAt(i)->position = Vector3{x + c * r.x - s * r.y, y + s * r.x + c * r.y, 0.0};
    }
}

bool inWindow(const ParticleSystem& body)
{
    return !body.isOutside(0.0, 0.0, kWidth, kHeight);
}

struct Depths {
    int tick = 0;
    int inside = 0;
    double deepest = 0.0;
    double median = 0.0;
};

Depths measured(int tick, const CLexfallView& view)
{
    const std::vector<double> depths = overlapDepths(view.m_collisions, view.m_pBodies);
    return {tick, static_cast<int>(depths.size()), depths.empty() ? 0.0 : *std::max_element(depths.begin(), depths.end()),
            median(depths)};
}

} // namespace

int main(int argc, char** argv)
{
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 2500;
    const int every = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    constexpr int kTimed = 400;

    // Ours on one thread: Box2D has only the one.
    TaskPool pool(1);
    PileScene ours(kWidth, kHeight, kLetters, pool, PhysicsPreset::Sturdy);
    // The same letters again, never ticked: their particles are put where
    // Box2D's bodies hold them, so that both are measured alike.
    PileScene copies(kWidth, kHeight, kLetters, pool, PhysicsPreset::Sturdy);
    CLexfallView& copyView = copies.view();

    b2Vec2 gravity(0.0f, 0.0f);
    for (const auto& body : copyView.m_pBodies)
        if (const auto* global = dynamic_cast<const MOTUSforceGlobal*>(body->forceAt(0)))
            gravity.Set(static_cast<float>(global->acceleration.x * kTimeScale * kTimeScale / kPixelsPerMetre),
                        static_cast<float>(global->acceleration.y * kTimeScale * kTimeScale / kPixelsPerMetre));
    b2World world(gravity);
    {
        b2BodyDef def;
        def.position.Set(static_cast<float>(kWidth / 2.0 / kPixelsPerMetre), static_cast<float>(kFloor / kPixelsPerMetre + 1.0));
        b2PolygonShape slab;
        slab.SetAsBox(1000.0f, 1.0f);
        b2FixtureDef fixture;
        fixture.shape = &slab;
        fixture.friction = 0.6f;
        world.CreateBody(&def)->CreateFixture(&fixture);
    }
    Pieces pieces;
    std::vector<RigidLetter> letters(copyView.m_pBodies.size());
    int triangles = 0;
    for (std::size_t i = 0; i < copyView.m_pBodies.size(); ++i) {
        ParticleSystem& body = *copyView.m_pBodies[i];
        if (body.particleCount() == 0)
            continue;
        letters[i] = rigidLetter(world, body, *copyView.m_pBodyTriangles[i], pieces);
        copyView.m_collisions.addBody(body, *copyView.m_pBodyTriangles[i]);
        triangles += static_cast<int>(copyView.m_pBodyTriangles[i]->size() / 3);
    }
    const int withInk = ours.lettersWithInk();

    std::printf("bench_box2d: %d Sturdy letters (size %d) of the sample words in a %dx%d window, ours and Box2D "
                "side by side, one thread.\n",
                withInk, ours.view().m_nFontSize, kWidth, kHeight);
    std::printf("Box2D letters: %d triangles merged into %d convex pieces (%.1f corners each); %d slivers "
                "(%.2f px^2 in all) left out. Gravity %.2f m/s^2 at %.0f px a metre, step %.4f s.\n\n",
                triangles, pieces.made, static_cast<double>(pieces.corners) / pieces.made, pieces.dropped,
                pieces.droppedArea, static_cast<double>(gravity.y), kPixelsPerMetre, static_cast<double>(kStep));
    std::fflush(stdout);

    std::vector<double> ourTimes, theirTimes;
    std::vector<Depths> ourDepths, theirDepths;
    double ourTotal = 0.0, theirTotal = 0.0, measuring = 0.0;
    for (int t = 1; t <= ticks; ++t) {
        Clock::time_point start = Clock::now();
        ours.tick();
        const double ourMs = msSince(start);
        start = Clock::now();
        world.Step(kStep, 8, 3);
        const double theirMs = msSince(start);
        ourTotal += ourMs;
        theirTotal += theirMs;
        if (t <= kTimed) {
            ourTimes.push_back(ourMs);
            theirTimes.push_back(theirMs);
        }
        // A Box2D letter that has left the window is taken out, as ours are.
        for (std::size_t i = 0; i < letters.size(); ++i) {
            RigidLetter& letter = letters[i];
            if (!letter.body)
                continue;
            ParticleSystem& copy = *copyView.m_pBodies[i];
            place(letter, copy);
            if (!inWindow(copy)) {
                world.DestroyBody(letter.body);
                letter.body = nullptr;
                copyView.m_collisions.remove(copy);
            }
        }
        if (t % every == 0 || t == kTimed) {
            start = Clock::now();
            ourDepths.push_back(measured(t, ours.view()));
            theirDepths.push_back(measured(t, copyView));
            measuring += msSince(start);
        }
    }

    std::printf("Time a tick while the letters fall and pile up, ticks 1 to %d (ms):\n\n", kTimed);
    std::printf("| | median | slowest |\n|---|---|---|\n");
    std::printf("| ours, whole tick | %.2f | %.2f |\n", median(ourTimes), *std::max_element(ourTimes.begin(), ourTimes.end()));
    std::printf("| Box2D, Step | %.2f | %.2f |\n", median(theirTimes),
                *std::max_element(theirTimes.begin(), theirTimes.end()));
    std::printf("| Box2D / ours | %.2fx | %.2fx |\n", median(theirTimes) / median(ourTimes),
                *std::max_element(theirTimes.begin(), theirTimes.end()) /
                    *std::max_element(ourTimes.begin(), ourTimes.end()));
    std::printf("\nAll %d ticks: ours %.1f s, Box2D %.1f s (measuring the overlaps %.1f s).\n", ticks,
                ourTotal / 1000.0, theirTotal / 1000.0, measuring / 1000.0);

    const auto worst = [](const std::vector<Depths>& d) {
        Depths most;
        for (const Depths& x : d) {
            if (x.inside > most.inside) {
                most.inside = x.inside;
                most.tick = x.tick;
            }
            most.deepest = std::max(most.deepest, x.deepest);
        }
        return most;
    };
    const auto at = [](const std::vector<Depths>& d, int tick) {
        for (const Depths& x : d)
            if (x.tick == tick)
                return x;
        return Depths{};
    };
    int theirsLeft = 0, awake = 0;
    for (const RigidLetter& letter : letters) {
        theirsLeft += letter.body != nullptr;
        awake += letter.body && letter.body->IsAwake();
    }
    int particles = 0;
    for (const auto& body : copyView.m_pBodies)
        particles += body->particleCount();
    const Depths ourWorst = worst(ourDepths), theirWorst = worst(theirDepths);
    const Depths ourAt = at(ourDepths, kTimed), theirAt = at(theirDepths, kTimed);
    const std::string measuredTicks = every == 1 ? "every tick" : "every " + std::to_string(every) + "th tick";
    std::printf("\nParticles inside other letters (of %d), ticks 1 to %d, %s; letters still in the window at "
                "the end:\n\n",
                particles, ticks, measuredTicks.c_str());
    std::printf("| | most inside (tick) | deepest | inside at %d | deepest at %d | median depth at %d | in the window |\n",
                kTimed, kTimed, kTimed);
    std::printf("|---|---|---|---|---|---|---|\n");
    std::printf("| ours | %d (%d) | %.2f px | %d | %.2f px | %.2f px | %.1f%% |\n", ourWorst.inside, ourWorst.tick,
                ourWorst.deepest, ourAt.inside, ourAt.deepest, ourAt.median, 100.0 * ours.lettersWithInk() / withInk);
    std::printf("| Box2D | %d (%d) | %.2f px | %d | %.2f px | %.2f px | %.1f%% |\n", theirWorst.inside, theirWorst.tick,
                theirWorst.deepest, theirAt.inside, theirAt.deepest, theirAt.median, 100.0 * theirsLeft / withInk);
    std::printf("\nAt the end %d of our %d letters sleep; %d of Box2D's %d are awake.\n", ours.asleep(),
                ours.lettersWithInk(), awake, theirsLeft);
    return 0;
}
