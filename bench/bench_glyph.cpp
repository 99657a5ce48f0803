// Triangulates every printable ASCII character of both faces, reporting
// the cost per character (vectorize + tessellate) and the mesh sizes; and
// the cost of a character's first use in another face (load + mesh), in a
// CJK face, a Latin face and through a fallback face, beside a cached
// character's cost and a table character's.
#include <benchmark/benchmark.h>

#include <memory>
#include <set>
#include <utility>

#include "glyph/FontCatalog.h"
#include "glyph/GlyphMesher.h"
#include "glyph/InstallPaths.h"

namespace {

constexpr double Precision = 30.0;

void triangulateFace(benchmark::State& state, const char* font)
{
    GlyphMesher mesher;
    if (!mesher.loadFont(font, 48)) {
        state.SkipWithError("font not found");
        return;
    }

    long triangles = 0;
    long vertices = 0;
    for (int c = 32; c < 127; ++c) {
        mesher.triangulate(static_cast<char32_t>(c), Precision);
        triangles += static_cast<long>(mesher.mesh().size() / 6);
        std::set<std::pair<double, double>> distinct;
        for (const Vector3& p : mesher.mesh())
            distinct.emplace(p.x, p.y);
        vertices += static_cast<long>(distinct.size());
    }

    for (auto _ : state) {
        for (int c = 32; c < 127; ++c) {
            mesher.triangulate(static_cast<char32_t>(c), Precision);
            benchmark::DoNotOptimize(mesher.mesh().data());
        }
    }

    constexpr int characters = 127 - 32;
    state.SetItemsProcessed(state.iterations() * characters);
    // Seconds per character, printed with an SI prefix ("u" for µs).
    state.counters["time_per_char"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * characters, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["triangles_per_char"] = static_cast<double>(triangles) / characters;
    state.counters["vertices_per_char"] = static_cast<double>(vertices) / characters;
}

void BM_TriangulateArial(benchmark::State& state)
{
    triangulateFace(state, "arial.ttf");
}

void BM_TriangulateSymbol(benchmark::State& state)
{
    triangulateFace(state, "Symbol.ttf");
}

const FaceLocation ZenHei{"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 0};

// A face as Other Face loads it, or the program's Arial as it loads it.
std::unique_ptr<GlyphMesher> loaded(const FaceLocation* face)
{
    auto mesher = std::make_unique<GlyphMesher>();
    const bool ok = face ? mesher->loadFace(*face, 48) : mesher->loadFont("arial.ttf", 48);
    return ok ? std::move(mesher) : nullptr;
}

// Each character meshed once, on its first use: the characters
// first..last in turn, the face loaded afresh (untimed) when they run out.
void firstUse(benchmark::State& state, const FaceLocation* face, char32_t first, char32_t last, char32_t warmUp)
{
    std::unique_ptr<GlyphMesher> mesher = loaded(face);
    if (!mesher) {
        state.SkipWithError("face not found");
        return;
    }
    mesher->triangulate(warmUp, Precision); // the fallback list, when one is needed
    char32_t c = first;
    for (auto _ : state) {
        if (c > last) {
            state.PauseTiming();
            mesher = loaded(face);
            mesher->triangulate(warmUp, Precision);
            c = first;
            state.ResumeTiming();
        }
        mesher->triangulate(c++, Precision);
        benchmark::DoNotOptimize(mesher->mesh().data());
    }
    state.counters["time_per_char"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FirstUseCjkFace(benchmark::State& state) { firstUse(state, &ZenHei, 0x4E00, 0x9FA5, U' '); }

void BM_FirstUseLatinFace(benchmark::State& state)
{
    const FaceLocation liberation{lexfallFontDirectory() + "arial.ttf", 0};
    firstUse(state, &liberation, 0x100, 0x24F, U' ');
}

void BM_FirstUseCjkFromArialByFallback(benchmark::State& state) { firstUse(state, nullptr, 0x4E01, 0x9FA5, 0x4E00); }

// Printable ASCII of Arial, the glyphs held: through the 256-glyph table
// as the program's Arial, and through the cache as another face.
void meshHeld(benchmark::State& state, bool cached)
{
    const FaceLocation liberation{lexfallFontDirectory() + "arial.ttf", 0};
    std::unique_ptr<GlyphMesher> mesher = loaded(cached ? &liberation : nullptr);
    if (!mesher) {
        state.SkipWithError("face not found");
        return;
    }
    for (char32_t c = 32; c < 127; ++c)
        mesher->triangulate(c, Precision);
    for (auto _ : state) {
        for (char32_t c = 32; c < 127; ++c) {
            mesher->triangulate(c, Precision);
            benchmark::DoNotOptimize(mesher->mesh().data());
        }
    }
    constexpr int characters = 127 - 32;
    state.counters["time_per_char"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * characters, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_HeldArialFromTheTable(benchmark::State& state) { meshHeld(state, false); }
void BM_HeldArialFromTheCache(benchmark::State& state) { meshHeld(state, true); }

} // namespace

BENCHMARK(BM_TriangulateArial)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TriangulateSymbol)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstUseCjkFace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstUseLatinFace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstUseCjkFromArialByFallback)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeldArialFromTheTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeldArialFromTheCache)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
