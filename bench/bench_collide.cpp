// Letters that collide, measured: the tick of 2,000 letters of real words
// settled in a pile, side by side with the same letters passing through
// each other; the collision pass on a pile that does not sleep, on 1 and 2
// threads (more with LEXFALL_THREADS), and on 10,000 small letters; the
// broad phase against Box2D's dynamic tree; how deep letters lie in one
// another and how still a settled pile of 500 is. Letters are Sturdy: the
// preset that keeps them letters. bench_box2d sets the same letters falling
// into a pile against Box2D's rigid bodies. Release build:
//     build-release/bin/bench_collide [awake [LETTERS]]
#include <box2d/b2_dynamic_tree.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Timing.h"
#include "glyph/InstallPaths.h"
#include "physics/BroadPhase.h"
#include "support/Overlap.h"
#include "platform/HeadlessWindow.h"
#include "PileScene.h"
#include "platform/TaskPool.h"

namespace {

std::vector<int> threadCounts()
{
    std::vector<int> counts{1, 2};
    if (const int most = TaskPool::threadsFromEnvironment(); most > 2)
        counts.push_back(most);
    return counts;
}

void settledPile(int letters, const std::vector<int>& threads)
{
    for (int n : threads) {
        TaskPool pool(n);
        PileScene scene(1024, 768, letters, pool, PhysicsPreset::Sturdy);
        const int ticks = scene.settle(4000);
        std::vector<double> colliding, passing;
        for (int i = 0; i < 300; ++i) {
            const Clock::time_point start = Clock::now();
            scene.tick();
            colliding.push_back(msSince(start));
        }
        scene.view().SetCollide(false);
        for (int i = 0; i < 300; ++i) {
            const Clock::time_point start = Clock::now();
            scene.tick();
            passing.push_back(msSince(start));
        }
        std::printf("| %d | %d (size %d) | %.1f s | %.2f | %.2f | %.2fx |\n", n, letters, scene.view().m_nFontSize,
                    ticks / PileScene::kTicksPerSecond,
                    median(colliding), median(passing), median(colliding) / median(passing));
        std::fflush(stdout);
    }
}

// The collision pass alone on a settled pile woken whole, none allowed to
// sleep: the most work a pile of this size can ask of it.
double awakePass(PileScene& scene, TaskPool* pool)
{
    Collisions::Settings settings;
    settings.sleepTicks = 1 << 30;
    Collisions collisions(settings);
    CLexfallView& view = scene.view();
    collisions.addBodies(view.m_pBodies, view.m_pBodyTriangles);
    const double floor = 768.0 - 1.0;
    std::vector<double> times;
    for (int i = 0; i < 60; ++i) {
        for (const auto& body : view.m_pBodies)
            if (CollisionShape* shape = collisions.shapeOf(*body)) {
                shape->rigid.wake();
                shape->rememberStart();
            }
        const Clock::time_point start = Clock::now();
        collisions.step(view.m_pBodies, CollisionBox{0.0, 0.0, 1024.0, floor}, 0.01, pool);
        times.push_back(msSince(start));
    }
    return median(times);
}

void awakePiles(const std::vector<int>& threads, const std::vector<int>& sizes)
{
    std::printf("\nThe collision pass on a pile kept awake (ms, medians of 60 passes):\n\n");
    std::printf("| letters | threads | pass | per letter | parallel efficiency |\n");
    std::printf("|---|---|---|---|---|\n");
    for (int letters : sizes) {
        TaskPool settlePool(threads.back());
        PileScene scene(1024, 768, letters, settlePool, PhysicsPreset::Sturdy);
        scene.settle(letters > 2000 ? 2500 : 4000);
        double one = 0.0;
        for (int n : threads) {
            TaskPool pool(n);
            const double ms = awakePass(scene, n > 1 ? &pool : nullptr);
            if (n == 1)
                one = ms;
            std::printf("| %d (size %d) | %d | %.2f | %.2f us | %s |\n", letters, scene.view().m_nFontSize, n, ms,
                        1000.0 * ms / scene.lettersWithInk(),
                        n == 1 ? "" : (std::to_string(static_cast<int>(100.0 * one / (n * ms) + 0.5)) + "%").c_str());
            std::fflush(stdout);
        }
    }
}

// Box2D's tree, kept from tick to tick as a physics engine keeps it: moved
// proxies, then a query for each body.
struct TreePairs {
    struct Callback {
        int self;
        int found = 0;
        bool QueryCallback(int32 proxy)
        {
            found += proxy > self;
            return true;
        }
    };
    b2DynamicTree tree;
    std::vector<int32> proxies;

    int find(const std::vector<CollisionBox>& boxes)
    {
        const auto aabb = [](const CollisionBox& b) {
            b2AABB a;
            a.lowerBound.Set(static_cast<float>(b.left), static_cast<float>(b.top));
            a.upperBound.Set(static_cast<float>(b.right), static_cast<float>(b.bottom));
            return a;
        };
        if (proxies.empty())
            for (const CollisionBox& b : boxes)
                proxies.push_back(tree.CreateProxy(aabb(b), nullptr));
        else
            for (std::size_t i = 0; i < boxes.size(); ++i)
                tree.MoveProxy(proxies[i], aabb(boxes[i]), b2Vec2(0.0f, 0.0f));
        int pairs = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            Callback callback{proxies[i]};
            tree.Query(&callback, aabb(boxes[i]));
            pairs += callback.found;
        }
        return pairs;
    }
};

void broadPhases()
{
    TaskPool pool(1);
    PileScene scene(1024, 768, 2000, pool, PhysicsPreset::Sturdy);
    std::printf("\nBroad phase, the boxes of 2,000 letters falling and then settled (us, medians of 200):\n\n");
    std::printf("| boxes | our grid | Box2D dynamic tree |\n|---|---|---|\n");
    for (const char* when : {"falling", "settled"}) {
        if (std::string(when) == "settled")
            scene.settle(4000);
        BroadPhase grid;
        TreePairs tree;
        std::vector<double> ours, theirs;
        for (int i = 0; i < 200; ++i) {
            scene.tick();
            std::vector<CollisionBox> boxes;
            std::vector<unsigned char> active;
            for (const auto& body : scene.view().m_pBodies) {
                const CollisionShape* shape = scene.view().m_collisions.shapeOf(*body);
                boxes.push_back(shape ? shape->tick.swept : CollisionBox{});
                active.push_back(1);
            }
            Clock::time_point start = Clock::now();
            grid.find(boxes, active);
            ours.push_back(1000.0 * msSince(start));
            start = Clock::now();
            tree.find(boxes);
            theirs.push_back(1000.0 * msSince(start));
        }
        std::printf("| %s | %.0f | %.0f |\n", when, median(ours), median(theirs));
    }
}

void stillness()
{
    TaskPool pool(TaskPool::threadsFromEnvironment());
    PileScene scene(1024, 768, 500, pool, PhysicsPreset::Sturdy);
    int particles = 0;
    for (const auto& body : scene.view().m_pBodies)
        particles += body->particleCount();
    const double threshold = 0.01 * particles;
    std::printf("\n500 letters (size %d) dropped at once: kinetic energy (px^2/s^2, all particles) each second\n"
                "from 10 s to 25 s; the threshold is 0.01 a particle, %.0f:\n\n",
                scene.view().m_nFontSize, threshold);
    const int second = static_cast<int>(PileScene::kTicksPerSecond);
    for (int t = 0; t < 10 * second; ++t)
        scene.tick();
    int under = -1;
    for (int s = 10; s <= 25; ++s) {
        const double e = scene.kineticEnergy();
        if (e <= threshold && under < 0)
            under = s;
        else if (e > threshold)
            under = -1;
        std::printf("%s%.1f", s == 10 ? "" : ", ", e);
        for (int t = 0; t < second && s < 25; ++t)
            scene.tick();
    }
    if (under >= 0)
        std::printf("\nunder the threshold from %d s on, and stays there\n", under);
    else
        std::printf("\nNOT under the threshold by 25 s\n");
    std::vector<double> depths = overlapDepths(scene.view().m_collisions, scene.view().m_pBodies);
    const double deepest = depths.empty() ? 0.0 : *std::max_element(depths.begin(), depths.end());
    std::printf("particles inside another letter: %zu of %d, median %.2f px, largest %.2f px\n", depths.size(), particles,
                median(depths), deepest);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<int> threads = threadCounts();
    // `bench_collide awake [LETTERS]` measures only the pass on a pile kept
    // awake.
    if (argc > 1 && std::string(argv[1]) == "awake") {
        awakePiles(threads, argc > 2 ? std::vector<int>{std::atoi(argv[2])} : std::vector<int>{2000, 10000});
        return 0;
    }
    std::printf("bench_collide: Sturdy letters of the sample words in a 1024x768 window.\n");
    std::printf("\nLetters settled in a pile (ms, medians of 300 ticks):\n\n");
    std::printf("| threads | letters | settled after | tick colliding | tick passing through | ratio |\n");
    std::printf("|---|---|---|---|---|---|\n");
    settledPile(2000, threads);
    settledPile(10000, {threads.back()});
    awakePiles(threads, {2000, 10000});
    broadPhases();
    stillness();
    return 0;
}
