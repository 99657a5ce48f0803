// The scene's costs: adding characters to empty and to busy scenes, one
// animation tick with many bodies on screen, heap traffic of the tick and
// memory kept per body on the sample words.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "WordScene.h"
#include "platform/HeadlessWindow.h"
#include "view/CLexfallView.h"

namespace {

// Heap accounting, switched on only around the code being measured.
struct HeapCounter {
    bool counting = false;
    long long allocations = 0;
    long long bytesLive = 0;
};
HeapCounter g_heap;

void* countedAlloc(std::size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    if (g_heap.counting) {
        ++g_heap.allocations;
        g_heap.bytesLive += static_cast<long long>(malloc_usable_size(p));
    }
    return p;
}

void countedFree(void* p)
{
    if (p == nullptr)
        return;
    if (g_heap.counting)
        g_heap.bytesLive -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }

namespace {

constexpr std::string_view kText = "The quick brown fox jumps over the lazy dog. Pack my box with five dozen "
                                   "liquor jugs! 0123456789 (Sphinx of black quartz, judge my vow.)";

void BM_AddCharacter(benchmark::State& state)
{
    HeadlessWindow window(1 << 20, 1 << 20);
    CLexfallView view;
    view.attachWindow(&window);
    std::vector<double> perChar;
    perChar.reserve(kText.size() * 64);
    long long chars = 0;
    long long retainedBytes = 0;
    long long bodiesMeasured = 0;
    for (auto _ : state) {
        state.PauseTiming();
        view.ClearScene();
        view.m_vInsert = Vector3{0.0, 300.0, 0.0};
        state.ResumeTiming();
        for (char c : kText) {
            const long long before = g_heap.bytesLive;
            g_heap.counting = true;
            const auto t0 = std::chrono::steady_clock::now();
            view.AddCharacter(c);
            const auto t1 = std::chrono::steady_clock::now();
            g_heap.counting = false;
            retainedBytes += g_heap.bytesLive - before;
            ++bodiesMeasured;
            perChar.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        chars += static_cast<long long>(kText.size());
    }
    std::nth_element(perChar.begin(), perChar.begin() + static_cast<long>(perChar.size() / 2), perChar.end());
    state.counters["median_us_per_char"] = perChar[perChar.size() / 2];
    // Bytes still held after each AddCharacter: the body, its triangle list,
    // its advance and its share of the point buffer.
    state.counters["bytes_per_body"] = static_cast<double>(retainedBytes) / static_cast<double>(bodiesMeasured);
    state.SetItemsProcessed(chars);
}
BENCHMARK(BM_AddCharacter)->Unit(benchmark::kMicrosecond);

// One more letter in a scene of thousands: each is added, timed and taken
// away again with Backspace, so the scene stays the same size.
void BM_AddCharacterToBusyScene(benchmark::State& state)
{
    WordScene scene(1024, 768, static_cast<int>(state.range(0)));
    CLexfallView& view = scene.view();
    std::vector<double> perChar;
    std::size_t next = 0;
    for (auto _ : state) {
        const char c = kText[next++ % kText.size()];
        view.m_vInsert = Vector3{400.0, 400.0, 0.0};
        const auto t0 = std::chrono::steady_clock::now();
        view.AddCharacter(c);
        const auto t1 = std::chrono::steady_clock::now();
        perChar.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        view.OnChar(8, 1, 0);
    }
    std::nth_element(perChar.begin(), perChar.begin() + static_cast<long>(perChar.size() / 2), perChar.end());
    state.counters["median_us_per_char"] = perChar[perChar.size() / 2];
    state.counters["bodies"] = scene.bodies();
}
BENCHMARK(BM_AddCharacterToBusyScene)->Arg(2000)->Arg(5000)->Unit(benchmark::kMicrosecond);

// Heap bytes a scene of the sample words keeps per body: the bodies, their
// triangle lists, the advances and the point buffer.
void BM_MemoryPerBodyOnWords(benchmark::State& state)
{
    const int bodies = static_cast<int>(state.range(0));
    double perBody = 0.0;
    for (auto _ : state) {
        const long long before = g_heap.bytesLive;
        g_heap.counting = true;
        auto scene = std::make_unique<WordScene>(1024, 768, bodies);
        g_heap.counting = false;
        const long long kept = g_heap.bytesLive - before;
        perBody = static_cast<double>(kept) / scene->bodies();
        g_heap.counting = true;
        scene.reset();
        g_heap.counting = false;
    }
    state.counters["bytes_per_body"] = perBody;
}
BENCHMARK(BM_MemoryPerBodyOnWords)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Tick(benchmark::State& state)
{
    const int bodies = static_cast<int>(state.range(0));
    HeadlessWindow window(1 << 20, 1 << 20);
    CLexfallView view;
    view.attachWindow(&window);
    view.m_bAnimate = true;
    for (int k = 0; k < bodies; ++k) {
        view.m_vInsert = Vector3{50.0 + 40.0 * (k % 200), 300.0 + 80.0 * (k / 200), 0.0};
        view.AddCharacter(kText[static_cast<std::size_t>(k) % kText.size()]);
    }

    long long ticks = 0;
    g_heap.allocations = 0;
    for (auto _ : state) {
        g_heap.counting = true;
        view.OnTimer(view.m_nTimerID);
        g_heap.counting = false;
        ++ticks;
    }
    if (static_cast<int>(view.m_pBodies.size()) != bodies)
        state.SkipWithError("bodies left the window");
    state.counters["allocations_per_tick"] = static_cast<double>(g_heap.allocations) / static_cast<double>(ticks);
    state.counters["points"] = view.m_nPoints;
    state.SetItemsProcessed(ticks * bodies);
}
BENCHMARK(BM_Tick)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
