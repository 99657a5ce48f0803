// Saving and opening a scene of 2,000 letters: the file's size and the time
// File > Save and File > Open take, for a pile still falling (every letter
// awake) and for one come to rest (nearly every letter asleep, which also
// saves what each sleeper last measured). Release build:
//     build-release/bin/bench_scenefile
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

#include "PileScene.h"
#include "view/SceneFile.h"

namespace {

constexpr int kLetters = 2000;

struct Saved {
    std::unique_ptr<PileScene> pile;
    std::string path;
};

// The pile, once per state: `settle` ticks it until nearly all sleep.
Saved& scene(bool settle)
{
    static TaskPool pool(TaskPool::threadsFromEnvironment());
    static Saved falling, resting;
    Saved& saved = settle ? resting : falling;
    if (!saved.pile) {
        saved.pile = std::make_unique<PileScene>(1280, 800, kLetters, pool, PhysicsPreset::Sturdy);
        saved.pile->tick();
        if (settle)
            saved.pile->settle(3000);
        saved.path = std::string("/tmp/bench-scenefile-") + (settle ? "resting." : "falling.") + sceneFile::kExtension;
    }
    return saved;
}

long fileSize(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

void counters(benchmark::State& state, const Saved& saved)
{
    const CLexfallView& view = saved.pile->view();
    int particles = 0, asleep = 0;
    for (const auto& body : view.m_pBodies) {
        particles += body->particleCount();
        if (const CollisionShape* s = view.m_collisions.shapeOf(*body))
            asleep += s->rigid.asleep;
    }
    state.counters["letters"] = static_cast<double>(view.m_pBodies.size());
    state.counters["particles"] = particles;
    state.counters["asleep"] = asleep;
    state.counters["fileMB"] = static_cast<double>(fileSize(saved.path)) / 1e6;
}

void BM_SaveScene(benchmark::State& state)
{
    Saved& saved = scene(state.range(0) != 0);
    std::string error;
    for (auto _ : state)
        if (!sceneFile::save(saved.pile->view(), saved.path, error))
            state.SkipWithError(error.c_str());
    counters(state, saved);
}

void BM_OpenScene(benchmark::State& state)
{
    Saved& saved = scene(state.range(0) != 0);
    std::string error, note;
    if (!sceneFile::save(saved.pile->view(), saved.path, error))
        state.SkipWithError(error.c_str());
    HeadlessWindow window(1280, 800);
    CLexfallView view;
    view.attachWindow(&window);
    for (auto _ : state)
        if (!sceneFile::open(view, saved.path, error, note))
            state.SkipWithError(error.c_str());
    counters(state, saved);
    std::remove(saved.path.c_str());
}

BENCHMARK(BM_SaveScene)->ArgName("resting")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenScene)->ArgName("resting")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
