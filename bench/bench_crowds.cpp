// Letters that collide, under the crowds people make: many letters made at
// one point, two identical letters made on top of each other, words typed
// into each other, a letter shoved along the floor. Each scene reports its
// slowest tick, how long it ran, how many letters left the window and how
// much ink letters share at the end. Release build:
//     build-release/bin/bench_crowds [scene ...]
// Scenes: crowd (crowd-small, crowd-large: 200 or 1000 letters only), twins, hold, shove,
// extremes, still-pile, side-shove, pile-shove, nozzle-still, lines, sweep; all
// when none is named.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "Timing.h"
#include "PileScene.h"
#include "glyph/InstallPaths.h"
#include "support/Overlap.h"
#include "platform/HeadlessWindow.h"
#include "platform/TaskPool.h"
#include "view/CLexfallView.h"
#include "view/CommandIds.h"

namespace {

// The process's peak resident memory, in MB.
double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

// Which pixels of the window the letters' ink covers, row by row.
std::vector<unsigned char> inkMask(const CLexfallView& view, const IntRect& r)
{
    std::vector<unsigned char> covered(static_cast<std::size_t>(r.right) * r.bottom);
    for (const auto& body : view.m_pBodies) {
        const CollisionShape* shape = view.m_collisions.shapeOf(*body);
        if (!shape)
            continue;
        const std::vector<Particle*>& c = shape->geometry.corners;
        for (std::size_t t = 0; t + 3 <= c.size(); t += 3) {
            const Vector3 &a = c[t]->position, &b = c[t + 1]->position, &d = c[t + 2]->position;
            const int x0 = std::max(0, static_cast<int>(std::min({a.x, b.x, d.x})));
            const int x1 = std::min(r.right - 1, static_cast<int>(std::max({a.x, b.x, d.x})));
            const int y0 = std::max(0, static_cast<int>(std::min({a.y, b.y, d.y})));
            const int y1 = std::min(r.bottom - 1, static_cast<int>(std::max({a.y, b.y, d.y})));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    const double px = x + 0.5, py = y + 0.5;
                    const double d1 = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
                    const double d2 = (d.x - b.x) * (py - b.y) - (d.y - b.y) * (px - b.x);
                    const double d3 = (a.x - d.x) * (py - d.y) - (a.y - d.y) * (px - d.x);
                    if ((d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0))
                        covered[static_cast<std::size_t>(y) * r.right + x] = 1;
                }
        }
    }
    return covered;
}

// The largest share of the smaller letter's ink that any two letters of
// the view share; letters whose boxes do not meet share none.
double mostShared(const CLexfallView& view)
{
    const Collisions& world = view.m_collisions;
    std::vector<CollisionBox> boxes;
    std::vector<double> ink;
    for (const auto& body : view.m_pBodies) {
        CollisionBox b{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (int i = 0; i < body->particleCount(); ++i) {
            const Vector3& p = body->particleAt(i)->position;
            b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x), std::max(b.bottom, p.y)};
        }
        boxes.push_back(b);
        ink.push_back(inkArea(world, *body));
    }
    double worst = 0.0;
    for (std::size_t i = 0; i < view.m_pBodies.size(); ++i)
        for (std::size_t j = i + 1; j < view.m_pBodies.size(); ++j) {
            const double smaller = std::min(ink[i], ink[j]);
            if (boxes[i].overlaps(boxes[j]) && smaller > 0.0)
                worst = std::max(worst, sharedArea(world, *view.m_pBodies[i], *view.m_pBodies[j]) / smaller);
        }
    return worst;
}

struct Scene {
    Scene(int width, int height, PhysicsPreset preset, TaskPool& pool) : window(width, height)
    {
        view.attachWindow(&window);
        view.m_pPool = &pool;
        view.ChoosePreset(preset);
        // Manipulate mode with the mouse still: letters are made without
        // spin and nothing pushes them.
        view.OnCommand(ID_MODE_MANIPULATE);
        view.SetCollide(true);
    }

    void add(char32_t c, double x, double y)
    {
        view.m_vInsert = Vector3{x, y, 0.0};
        view.AddCharacter(c);
    }

    // Ticks n times; the slowest tick in ms.
    double tick(int n)
    {
        double slowest = 0.0;
        for (int i = 0; i < n; ++i) {
            const Clock::time_point start = Clock::now();
            view.OnTimer(view.m_nTimerID);
            slowest = std::max(slowest, msSince(start));
        }
        return slowest;
    }

    // The largest share of the smaller letter's ink that any two letters
    // share.
    double worstShare() const { return mostShared(view); }

    // The ink of the scene on a one-pixel grid, overlaps counted once.
    double coveredPixels() const
    {
        const std::vector<unsigned char> covered = inkMask(view, window.clientRect());
        return static_cast<double>(std::count(covered.begin(), covered.end(), 1));
    }

    int bodies() const { return static_cast<int>(view.m_pBodies.size()); }

    HeadlessWindow window;
    CLexfallView view;
};

const char* nameOf(PhysicsPreset preset) { return preset == PhysicsPreset::Sturdy ? "Sturdy" : "As designed"; }

// Letters made at one point while paused, then animated for ten seconds.
void crowd(TaskPool& pool, const std::vector<int>& sizes)
{
    std::printf("\n%s\n\n", "\"W\" made at one point while paused, then 10 s animated (1024x768):");
    std::printf("| preset | letters | first tick | slowest tick | run | left | ink at 5 s / one W | peak MB |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned})
        for (int letters : sizes) {
            Scene scene(1024, 768, preset, pool);
            for (int i = 0; i < letters; ++i)
                scene.add('W', 480.0, 400.0);
            scene.view.m_bAnimate = true;
            const Clock::time_point start = Clock::now();
            const double first = scene.tick(1);
            const double oneW = inkArea(scene.view.m_collisions, *scene.view.m_pBodies.front());
            double slowest = std::max(first, scene.tick(311));
            const double covered = scene.coveredPixels();
            slowest = std::max(slowest, scene.tick(313));
            std::printf("| %s | %d | %.1f ms | %.1f ms | %.2f s | %d | %.0f | %.0f |\n", nameOf(preset), letters, first,
                        slowest, msSince(start) / 1000.0, letters - scene.bodies(), covered / oneW, peakMegabytes());
            std::fflush(stdout);
        }
}

// Four lines typed while paused, wrapping at the right margin, then 12 s:
// the letters land on one another line by line.
void lines(TaskPool& pool)
{
    std::printf("\nFour lines typed while paused, then 12 s (1280x1000): the largest share of ink two letters share\n\n");
    std::printf("| preset | after 12 s | pairs over 1%% |\n|---|---|---|\n");
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned}) {
        Scene scene(1280, 1000, preset, pool);
        scene.view.OnLButtonDown(0, IntPoint{700, 400});
        scene.view.OnLButtonUp(0, IntPoint{700, 400});
        for (char32_t c : std::u32string(U"Letters that collide wrap below at the margin instead of scrolling away"))
            scene.view.AddCharacter(c);
        scene.view.m_bAnimate = true;
        scene.tick(750);
        int over = 0;
        const Collisions& world = scene.view.m_collisions;
        for (std::size_t i = 0; i < scene.view.m_pBodies.size(); ++i)
            for (std::size_t j = i + 1; j < scene.view.m_pBodies.size(); ++j) {
                const ParticleSystem& a = *scene.view.m_pBodies[i];
                const ParticleSystem& b = *scene.view.m_pBodies[j];
                const double smaller = std::min(inkArea(world, a), inkArea(world, b));
                over += smaller > 0.0 && sharedArea(world, a, b) > 0.01 * smaller;
            }
        std::printf("| %s | %.1f%% | %d |\n", nameOf(preset), 100.0 * scene.worstShare(), over);
        std::fflush(stdout);
    }
}

// The nozzle swept to and fro along the top for 60 s while animating: the
// letters each second, and the most lost in one second.
void sweep(TaskPool& pool)
{
    std::printf("\nThe nozzle swept along the top for 60 s, Sturdy (1024x768):\n\n");
    Scene scene(1024, 768, PhysicsPreset::Sturdy, pool);
    if (CLexfallView::LoadWordFile((lexfallShareDirectory() + "words.txt").c_str(), scene.view.m_pWords) != 1)
        return;
    scene.view.m_bWordsLoaded = true;
    scene.view.OnModeNozzle();
    scene.view.m_bAnimate = true;
    scene.view.OnLButtonDown(0, IntPoint{50, 60});
    int last = 0, worstLoss = 0;
    double slowest = 0.0, worstShare = 0.0;
    std::printf("letters each second:");
    for (int second = 0; second < 60; ++second) {
        int removed = 0;
        for (int t = 0; t < 62; ++t) {
            const int tick = second * 62 + t;
            const int x = 50 + std::abs((tick * 4) % 1800 - 900);
            scene.view.OnMouseMove(0, IntPoint{x, 60});
            // A tick adds the letters of the word it emits, and takes out
            // those that left.
            const CLexfallView& v = scene.view;
            const bool emits = v.m_nEmitCounter + 1 >= v.m_nEmitPeriod;
            const int added = emits ? static_cast<int>((*v.m_pWords)[static_cast<std::size_t>(v.m_nWordIndex)].size()) : 0;
            const int before = scene.bodies();
            slowest = std::max(slowest, scene.tick(1));
            removed += before + added - scene.bodies();
        }
        const int now = scene.bodies();
        worstLoss = std::max(worstLoss, removed);
        if (last > 0)
            worstShare = std::max(worstShare, static_cast<double>(removed) / last);
        last = now;
        std::printf(" %d", now);
        std::fflush(stdout);
    }
    std::printf("\nslowest tick %.1f ms; most letters lost in one second %d (%.1f%%)\n", slowest, worstLoss,
                100.0 * worstShare);
}

// The nozzle held still for 10 s while paused, then 20 s animated.
void nozzleStill(TaskPool& pool)
{
    std::printf("\nThe nozzle held still 10 s while paused, then 20 s animated (1024x768):\n\n");
    std::printf("| preset | letters | slowest tick | run | left | peak MB |\n|---|---|---|---|---|---|\n");
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned}) {
        Scene scene(1024, 768, preset, pool);
        if (CLexfallView::LoadWordFile((lexfallShareDirectory() + "words.txt").c_str(), scene.view.m_pWords) != 1)
            return;
        scene.view.m_bWordsLoaded = true;
        scene.view.OnModeNozzle();
        scene.view.OnLButtonDown(0, IntPoint{400, 300});
        const Clock::time_point start = Clock::now();
        double slowest = scene.tick(625);
        scene.view.OnLButtonUp(0, IntPoint{400, 300});
        const int made = scene.bodies();
        scene.view.m_bAnimate = true;
        slowest = std::max(slowest, scene.tick(1250));
        std::printf("| %s | %d | %.1f ms | %.2f s | %d | %.0f |\n", nameOf(preset), made, slowest,
                    msSince(start) / 1000.0, made - scene.bodies(), peakMegabytes());
        std::fflush(stdout);
    }
}

// Two identical letters made on the same point: ticks until they share
// less than 5% of their ink.
void twins(TaskPool& pool)
{
    std::printf("\nTwo identical letters made at one point (640x480): ticks until less than 5%% of the ink is shared\n\n");
    std::printf("| preset | letter | ticks | shared after 1 s |\n|---|---|---|---|\n");
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned})
        for (char32_t c : {U'H', U'O', U'W', U'i'}) {
            Scene scene(640, 480, preset, pool);
            scene.add(c, 300.0, 300.0);
            scene.add(c, 300.0, 300.0);
            scene.view.m_bAnimate = true;
            int apart = -1;
            for (int t = 1; t <= 63; ++t) {
                scene.tick(1);
                if (apart < 0 && scene.worstShare() < 0.05)
                    apart = t;
            }
            std::printf("| %s | %c | %d | %.1f%% |\n", nameOf(preset), static_cast<char>(c), apart,
                        100.0 * scene.worstShare());
            std::fflush(stdout);
        }
}

// Three "HOLD" typed at nearly one point, then 12 s.
void hold(TaskPool& pool)
{
    std::printf("\nThree \"HOLD\" typed at nearly one point, then 12 s: the largest share of ink two letters share\n\n");
    std::printf("| preset | after 1 s | after 12 s | left |\n|---|---|---|---|\n");
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned}) {
        Scene scene(640, 480, preset, pool);
        for (int k = 0; k < 3; ++k) {
            scene.view.m_vInsert = Vector3{200.0 + 3.0 * k, 300.0 + 2.0 * k, 0.0};
            for (char32_t c : U"HOLD")
                if (c)
                    scene.view.AddCharacter(c);
        }
        scene.view.m_bAnimate = true;
        scene.tick(62);
        const double early = scene.worstShare();
        scene.tick(688);
        std::printf("| %s | %.1f%% | %.1f%% | %d |\n", nameOf(preset), 100.0 * early, 100.0 * scene.worstShare(),
                    12 - scene.bodies());
        std::fflush(stdout);
    }
}

// A lone Sturdy "H" at rest on the floor, given 300 px/s along it.
void shove(TaskPool& pool)
{
    Scene scene(1024, 480, PhysicsPreset::Sturdy, pool);
    scene.add('H', 100.0, 470.0);
    scene.view.m_bAnimate = true;
    scene.tick(200);
    ParticleSystem& h = *scene.view.m_pBodies.front();
    const double x0 = h.particleAt(0)->position.x;
    for (int i = 0; i < h.particleCount(); ++i)
        h.particleAt(i)->velocity.x += 300.0;
    RigidBody& rigid = scene.view.m_collisions.shapeOf(h)->rigid;
    rigid.wake();
    int ticks = 0;
    while (ticks < 1000 && !rigid.asleep) {
        scene.tick(1);
        ++ticks;
    }
    std::printf("\nA lone Sturdy \"H\" shoved at 300 px/s along the floor: %.0f px in %.2f s%s\n",
                h.particleAt(0)->position.x - x0, ticks / 62.5, rigid.asleep ? ", then asleep" : ", still moving");
}

// Piles of 500 letters dropped at once (Sturdy, then As designed), in
// windows of three widths, which lay the letters out differently, each 10 s
// after it has settled: the pixels of ink that change over the next 30 s.
// One pile alone says little: which letters end up wedged is chance.
void stillPile(TaskPool& pool)
{
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned}) {
        std::printf("\nPiles of 500 %s letters, 10 s after they settled, then 30 s (768 px high):\n\n", nameOf(preset));
        std::printf("| width | settled after | pixels of ink changed | in seconds | asleep | most two letters share |\n"
                    "|---|---|---|---|---|---|\n");
        for (int width : {1024, 960, 1100}) {
            PileScene scene(width, 768, 500, pool, preset);
            const int settled = scene.settle(4000);
            const int second = static_cast<int>(PileScene::kTicksPerSecond);
            for (int t = 0; t < 10 * second; ++t)
                scene.tick();
            const IntRect r{0, 0, width, 768};
            const std::vector<unsigned char> before = inkMask(scene.view(), r);
            int changed = 0, stirred = 0;
            for (int s = 0; s < 30; ++s) {
                for (int t = 0; t < second; ++t)
                    scene.tick();
                const std::vector<unsigned char> now = inkMask(scene.view(), r);
                const int differ = static_cast<int>(std::inner_product(before.begin(), before.end(), now.begin(), 0,
                                                                       std::plus<>(), std::not_equal_to<>()));
                stirred += differ > changed;
                changed = differ;
            }
            std::printf("| %d | %.1f s | %d | %d | %d of %d | %.1f%% |\n", width, settled / PileScene::kTicksPerSecond,
                        changed, stirred, scene.asleep(), scene.lettersWithInk(), 100.0 * mostShared(scene.view()));
            std::fflush(stdout);
        }
    }
}

// One Manipulate drag from `at` by (dx, dy), a tick for each of `steps`.
void drag(PileScene& scene, IntPoint at, int dx, int dy, int steps)
{
    CLexfallView& v = scene.view();
    v.OnLButtonDown(0, at);
    for (int t = 1; t <= steps; ++t) {
        v.OnMouseMove(0, IntPoint{at.x + dx * t / steps, at.y + dy * t / steps});
        scene.tick();
    }
    v.OnLButtonUp(0, at);
}

// A settled pile of 500 shoved with one Manipulate drag of 100 px in
// 0.25 s: the letters still in the window and at rest 5 s later.
void pileShove(TaskPool& pool)
{
    std::printf("\nA settled pile of 500 Sturdy letters, one drag of 100 px in 0.25 s (768 px high):\n\n");
    std::printf("| width | drag | in the window 5 s later | asleep |\n|---|---|---|---|\n");
    // A shoved pile comes to rest sooner at some widths than at others;
    // 1100 is a slow one.
    for (int width : {1024, 1100}) {
        for (int dy : {0, -60}) {
            PileScene scene(width, 768, 500, pool, PhysicsPreset::Sturdy);
            scene.settle(4000);
            const int before = scene.lettersWithInk();
            scene.view().OnCommand(ID_MODE_MANIPULATE);
            drag(scene, IntPoint{400, 700}, 100, dy, 16);
            for (int t = 0; t < 312; ++t)
                scene.tick();
            std::printf("| %d | right%s | %d of %d | %d |\n", width, dy ? " and up" : "", scene.lettersWithInk(), before,
                        scene.asleep());
            std::fflush(stdout);
        }
    }
}

// Settled As-designed piles shoved three times along the floor against
// the left side (a drag across the window in 0.5 s, then 2 s to settle):
// the letters still in the window. A soft letter crushed thin against the
// side can be pushed across it by its neighbours.
void sideShove(TaskPool& pool)
{
    std::printf("\nAs-designed piles shoved three times against the left side (1024x768):\n\n");
    std::printf("| letters | in the window after |\n|---|---|\n");
    for (int letters : {800, 1500}) {
        PileScene scene(1024, 768, letters, pool, PhysicsPreset::AsDesigned);
        scene.settle(3000);
        const int before = scene.lettersWithInk();
        scene.view().OnCommand(ID_MODE_MANIPULATE);
        for (int pass = 0; pass < 3; ++pass) {
            drag(scene, IntPoint{1004, 740}, -984, -150, 30);
            for (int t = 0; t < 125; ++t)
                scene.tick();
        }
        std::printf("| %d | %d of %d |\n", letters, scene.lettersWithInk(), before);
        std::fflush(stdout);
    }
}

// Four letters typed with each Settings value at either end of its range,
// with and without collisions, animated for 10 s: the fastest particle
// and the letters lost.
void extremes(TaskPool& pool)
{
    struct Case {
        const char* name;
        void (*set)(SceneSettings&, bool high);
    };
    const Case cases[] = {
        {"size", [](SceneSettings& s, bool high) { s.fontSize = high ? 200 : 8; }},
        {"precision", [](SceneSettings& s, bool high) { s.precision = high ? 100.0 : 1.0; }},
        {"size 200, precision 1", [](SceneSettings& s, bool high) { s.fontSize = high ? 200 : 48; s.precision = 1.0; }},
        {"stiffness", [](SceneSettings& s, bool high) { s.physics.stiffness = high ? 5000.0 : 0.0; }},
        {"damping", [](SceneSettings& s, bool high) { s.physics.damping = high ? 100.0 : 0.0; }},
        {"spin", [](SceneSettings& s, bool high) { s.physics.typingSpin = high ? 100.0 : 0.0; }},
        {"keep upright", [](SceneSettings& s, bool high) { s.physics.keepUpright = high ? 1.0 : 0.0; }},
        {"shape keeping", [](SceneSettings& s, bool high) { s.physics.shapeKeeping = high ? 1.0 : 0.0; }},
    };
    std::printf("\n\"H@lo\" typed with each Settings value at its ends, 10 s (1024x768): fastest particle (px/s), "
                "letters lost\n\n| preset | value | collide | low: fastest | lost | high: fastest | lost |\n"
                "|---|---|---|---|---|---|---|\n");
    for (PhysicsPreset preset : {PhysicsPreset::Sturdy, PhysicsPreset::AsDesigned})
        for (const Case& c : cases)
            for (bool collide : {false, true}) {
                std::printf("| %s | %s | %s |", nameOf(preset), c.name, collide ? "yes" : "no");
                for (bool high : {false, true}) {
                    Scene scene(1024, 768, preset, pool);
                    scene.view.OnCommand(ID_MODE_KEYBOARD);
                    scene.view.SetCollide(collide);
                    SceneSettings settings = scene.view.Settings();
                    c.set(settings, high);
                    scene.view.ApplySettings(settings);
                    scene.view.m_vInsert = Vector3{60.0, 500.0, 0.0};
                    for (char32_t k : {U'H', U'@', U'l', U'o'})
                        scene.view.AddCharacter(k);
                    const int made = scene.bodies();
                    scene.view.m_bAnimate = true;
                    double fastest = 0.0;
                    for (int t = 0; t < 625; ++t) {
                        scene.tick(1);
                        for (const auto& body : scene.view.m_pBodies)
                            for (int i = 0; i < body->particleCount(); ++i) {
                                const Vector3& v = body->particleAt(i)->velocity;
                                fastest = std::max(fastest, std::sqrt(v.dot(v)));
                            }
                    }
                    std::printf(" %.0f | %d |", fastest, made - scene.bodies());
                }
                std::printf("\n");
                std::fflush(stdout);
            }
}

} // namespace

int main(int argc, char** argv)
{
    TaskPool pool(TaskPool::threadsFromEnvironment());
    const auto wanted = [&](const char* name) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], name) == 0)
                return true;
        return false;
    };
    std::printf("bench_crowds: %d threads\n", pool.threads());
    if (wanted("twins"))
        twins(pool);
    if (wanted("hold"))
        hold(pool);
    if (wanted("shove"))
        shove(pool);
    if (wanted("still-pile"))
        stillPile(pool);
    if (wanted("side-shove"))
        sideShove(pool);
    if (wanted("pile-shove"))
        pileShove(pool);
    if (wanted("sweep"))
        sweep(pool);
    if (wanted("lines"))
        lines(pool);
    if (wanted("nozzle-still"))
        nozzleStill(pool);
    if (wanted("extremes"))
        extremes(pool);
    if (wanted("crowd"))
        crowd(pool, {200, 1000});
    else if (wanted("crowd-small"))
        crowd(pool, {200});
    else if (wanted("crowd-large"))
        crowd(pool, {1000});
    return 0;
}
